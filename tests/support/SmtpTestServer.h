#pragma once
// A small SMTP server on 127.0.0.1 for tests. It answers every command with a
// scripted reply (a plain good server unless told otherwise) and records every
// byte each connection sent. Connections are served one after another.
// Given a certificate it speaks TLS: after a 220 reply to STARTTLS, or from
// the first byte. The record then shows "[TLS]" where the handshake ended
// (or "[TLS failed]") and the decrypted bytes after it.

#include "TestCertificates.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <csignal>
#include <map>
#include <mutex>
#include <openssl/ssl.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

class SmtpTestServer {
public:
    // Keys: "GREETING", the command's first word, "USER" and "PASS" for the
    // credential lines, "END" for the end of the data. The reply "HANG" goes
    // silent and keeps the connection; "DROP" hangs up ("END": as data arrives).
    std::map<std::string, std::string> reply = {
        {"GREETING", "220 test.local ESMTP\r\n"},
        {"EHLO", "250-test.local\r\n250-SIZE 1000000\r\n250 AUTH LOGIN\r\n"},
        {"AUTH", "334 VXNlcm5hbWU6\r\n"},
        {"USER", "334 UGFzc3dvcmQ6\r\n"},
        {"PASS", "235 2.7.0 Authentication successful\r\n"},
        {"MAIL", "250 2.1.0 Ok\r\n"},
        {"DATA", "354 End data with <CR><LF>.<CR><LF>\r\n"},
        {"QUIT", "221 2.0.0 Bye\r\n"},
        {"STARTTLS", "220 2.0.0 Ready to start TLS\r\n"},
    };                                  // any other key: the "MAIL" reply
    bool splitReplies = false;          // send replies byte by byte
    TestCertificates::Pair certificate; // PEM chain, leaf first; empty: no TLS
    bool implicitTls = false;           // TLS from the first byte, as on port 465

    // Listens on 127.0.0.1, or on ::1 given AF_INET6.
    explicit SmtpTestServer(int backlog = 32, int family = AF_INET)
        : m_Listen(socket(family, SOCK_STREAM, 0)) {
        sockaddr_in v4{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_addr = in6addr_loopback;
        auto* address = family == AF_INET6 ? reinterpret_cast<sockaddr*>(&v6)
                                           : reinterpret_cast<sockaddr*>(&v4);
        socklen_t length = family == AF_INET6 ? sizeof v6 : sizeof v4;
        bind(m_Listen, address, length);
        getsockname(m_Listen, address, &length);
        m_Port = ntohs(family == AF_INET6 ? v6.sin6_port : v4.sin_port);
        listen(m_Listen, backlog);
    }

    ~SmtpTestServer() {
        shutdown(m_Listen, SHUT_RDWR); // wakes the waiting accept
        if (m_Server.joinable())
            m_Server.join();
        close(m_Listen);
        SSL_CTX_free(m_TlsContext);
    }

    // Starts answering; the replies are fixed from here on.
    void Start() {
        if (!certificate.certificate.empty()) {
            signal(SIGPIPE, SIG_IGN); // TLS writes to a client that gave up
            m_TlsContext = SSL_CTX_new(TLS_server_method());
            SSL_CTX_use_certificate_chain_file(m_TlsContext, certificate.certificate.c_str());
            SSL_CTX_use_PrivateKey_file(m_TlsContext, certificate.key.c_str(), SSL_FILETYPE_PEM);
        }
        m_Server = std::thread([this] {
            for (int connection; (connection = accept(m_Listen, nullptr, nullptr)) >= 0;) {
                {
                    std::lock_guard<std::mutex> lock(m_Mutex);
                    ++m_Accepted;
                }
                Serve(connection);
            }
        });
    }

    unsigned int Port() const { return m_Port; }

    // Bytes received on each finished connection, in the order they ended,
    // once `count` have ended (or 30 s have passed).
    std::vector<std::string> Sessions(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Changed.wait_for(lock, std::chrono::seconds(30),
                           [&] { return m_Finished.size() >= count; });
        return m_Finished;
    }

    // Bytes received on each connection accepted so far, once every one of
    // them has ended (or 30 s have passed). A client that has finished its
    // dialogue has been accepted, but its end may still be on its way here.
    std::vector<std::string> SettledSessions() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Changed.wait_for(lock, std::chrono::seconds(30),
                           [&] { return m_Finished.size() >= m_Accepted; });
        return m_Finished;
    }

private:
    void Serve(int connection) {
        const timeval patience{10, 0}; // a test gone wrong must not hang
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        std::string received;
        std::size_t done = 0; // bytes of `received` already answered
        SSL* tls = nullptr;
        auto receive = [&] { // false when the peer is gone
            char buffer[4096];
            const long n = tls ? SSL_read(tls, buffer, sizeof buffer)
                               : recv(connection, buffer, sizeof buffer, 0);
            received.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
            return n > 0;
        };
        auto handshake = [&] {
            tls = SSL_new(m_TlsContext);
            SSL_set_fd(tls, connection);
            const bool ok = SSL_accept(tls) == 1;
            received += ok ? "[TLS]" : "[TLS failed]";
            done = received.size();
            return ok;
        };
        for (std::string key = "GREETING";;) {
            if (key == "GREETING" && implicitTls && !handshake())
                break;
            std::string answer = reply.count(key) ? reply.at(key) : reply.at("MAIL");
            while (answer == "HANG" && receive()) {
            }
            if (answer == "HANG" || answer == "DROP")
                break;
            for (std::size_t at = 0, step = splitReplies ? 1 : answer.size(); at < answer.size();
                 at += step) {
                if (tls)
                    SSL_write(tls, answer.data() + at, static_cast<int>(step));
                else
                    send(connection, answer.data() + at, step, MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(splitReplies ? 2 : 0));
            }
            if (key == "STARTTLS" && answer[0] == '2' && m_TlsContext && !handshake())
                break;
            // Next comes a credential line, the data or a command.
            static const std::map<std::string, std::string> next = {
                {"AUTH", "USER"}, {"USER", "PASS"}, {"DATA", "END"}};
            const std::string expect = answer[0] == '3' && next.count(key) ? next.at(key) : "";
            const std::string end = expect == "END" ? "\r\n.\r\n" : "\r\n";
            const bool drop = expect == "END" && reply.count("END") && reply.at("END") == "DROP";
            std::size_t stop;
            while ((stop = received.find(end, done)) == std::string::npos &&
                   !(drop && received.size() > done) && receive()) {
            }
            if (stop == std::string::npos)
                break;
            key = expect.empty() ? received.substr(done, received.find_first_of(" \r", done) - done)
                                 : expect;
            done = stop + end.size();
        }
        if (tls) {
            SSL_shutdown(tls);
            SSL_free(tls);
        }
        close(connection);
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Finished.push_back(received);
        m_Changed.notify_all();
    }

    SSL_CTX* m_TlsContext = nullptr;
    int m_Listen;
    unsigned int m_Port = 0;
    std::thread m_Server;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<std::string> m_Finished;
    std::size_t m_Accepted = 0;
};
