#pragma once
// Certificates for TLS tests, made once per test program with the openssl
// tool: a test CA, and server certificates that it signs or that nobody does.

#include "TempDir.h"

#include <cstdlib>
#include <fstream>
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
        const std::string ecKey = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        caFile = m_Dir.File("ca.pem");
        Run("req -x509" + ecKey + " -days 3650 -subj /CN=Annivo-Test-CA -keyout " +
            m_Dir.File("ca.key") + " -out " + caFile +
            " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign");
        server = Signed("server", "DNS:localhost,IP:127.0.0.1");
        otherHost = Signed("other", "DNS:mail.example.org");
        selfSigned = {m_Dir.File("self.pem"), m_Dir.File("self.key")};
        Run("req -x509" + ecKey + " -days 3650 -subj /CN=127.0.0.1 -keyout " + selfSigned.key +
            " -out " + selfSigned.certificate + " -addext subjectAltName=IP:127.0.0.1");
    }

    Pair Signed(const std::string& name, const std::string& names) {
        const Pair pair{m_Dir.File(name + ".pem"), m_Dir.File(name + ".key")};
        const std::string extensions = m_Dir.File(name + ".ext");
        std::ofstream(extensions) << "subjectAltName=" << names
                                  << "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
        Run("req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=" + name +
            " -keyout " + pair.key + " -out " + m_Dir.File(name + ".csr"));
        Run("x509 -req -days 3650 -in " + m_Dir.File(name + ".csr") + " -CA " + caFile +
            " -CAkey " + m_Dir.File("ca.key") + " -CAcreateserial -extfile " + extensions +
            " -out " + pair.certificate);
        return pair;
    }

    static void Run(const std::string& arguments) {
        if (std::system(("openssl " + arguments + " >/dev/null 2>&1").c_str()) != 0)
            throw std::runtime_error("openssl " + arguments + " failed");
    }

    TempDir m_Dir;
};
