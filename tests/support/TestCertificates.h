#pragma once
// Certificates for TLS tests, made once per test program with the openssl
// tool: a test CA, and server certificates that it signs or that nobody does.

#include "TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

class TestCertificates {
public:
    struct Pair {
        std::string certificate, key;
    };

    std::string caFile; // the test CA: trust this and `server` is good
    Pair server;        // signed by the CA for localhost and 127.0.0.1
    Pair otherHost;     // signed by the CA for mail.example.org only
    Pair selfSigned;    // for 127.0.0.1, signed by itself

    static const TestCertificates& Get() {
        static const TestCertificates certificates;
        return certificates;
    }

private:
    TestCertificates() {
        caFile = Make("ca", "/CN=Annivo-Test-CA",
                      "basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign")
                     .certificate;
        const std::string leaf = " -addext basicConstraints=CA:FALSE -addext "
                                 "extendedKeyUsage=serverAuth -CAkey " +
                                 m_Dir.File("ca.key") + " -CA " + caFile;
        server = Make("server", "/CN=server", "subjectAltName=DNS:localhost,IP:127.0.0.1" + leaf);
        otherHost = Make("other", "/CN=other", "subjectAltName=DNS:mail.example.org" + leaf);
        selfSigned = Make("self", "/CN=127.0.0.1", "subjectAltName=IP:127.0.0.1");
    }

    Pair Make(const std::string& name, const std::string& subject, const std::string& extensions) {
        const Pair pair{m_Dir.File(name + ".pem"), m_Dir.File(name + ".key")};
        const std::string command =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 "
            "-subj " +
            subject + " -keyout " + pair.key + " -out " + pair.certificate + " -addext " +
            extensions + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error(command + " failed");
        return pair;
    }

    TempDir m_Dir;
};
