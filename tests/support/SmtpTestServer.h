#pragma once
// A small SMTP server on 127.0.0.1 for tests. It answers every command with a
// scripted reply (a plain good server unless told otherwise) and records every
// byte each connection sent. Connections are served one after another.

#include <arpa/inet.h>
#include <condition_variable>
#include <map>
#include <mutex>
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
        {"RCPT", "250 2.1.5 Ok\r\n"},
        {"DATA", "354 End data with <CR><LF>.<CR><LF>\r\n"},
        {"END", "250 2.0.0 Ok: queued\r\n"},
        {"QUIT", "221 2.0.0 Bye\r\n"},
    };
    bool splitReplies = false; // send replies byte by byte

    explicit SmtpTestServer(int backlog = 32) : m_Listen(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        bind(m_Listen, reinterpret_cast<sockaddr*>(&address), length);
        getsockname(m_Listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_Port = ntohs(address.sin_port);
        listen(m_Listen, backlog);
    }

    ~SmtpTestServer() {
        shutdown(m_Listen, SHUT_RDWR); // wakes the waiting accept
        if (m_Server.joinable())
            m_Server.join();
        close(m_Listen);
    }

    // Starts answering; the replies are fixed from here on.
    void Start() {
        m_Server = std::thread([this] {
            for (int connection; (connection = accept(m_Listen, nullptr, nullptr)) >= 0;)
                Serve(connection);
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

private:
    void Serve(int connection) {
        const timeval patience{10, 0}; // a test gone wrong must not hang
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        std::string received;
        std::size_t done = 0; // bytes of `received` already answered
        // Takes in more bytes; false when the peer is gone.
        auto receive = [&] {
            char buffer[4096];
            const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
            received.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
            return n > 0;
        };
        for (std::string key = "GREETING";;) {
            const std::string answer = reply.count(key) ? reply.at(key) : reply.at("MAIL");
            while (answer == "HANG" && receive()) {
            }
            if (answer == "HANG" || answer == "DROP")
                break;
            const std::size_t step = splitReplies ? 1 : answer.size();
            for (std::size_t at = 0; at < answer.size(); at += step) {
                send(connection, answer.data() + at, step, MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(splitReplies ? 2 : 0));
            }
            // Next comes a credential line, the data or a command.
            static const std::map<std::string, std::string> next = {
                {"AUTH", "USER"}, {"USER", "PASS"}, {"DATA", "END"}};
            const std::string expect = answer[0] == '3' && next.count(key) ? next.at(key) : "";
            const std::string end = expect == "END" ? "\r\n.\r\n" : "\r\n";
            const bool drop = expect == "END" && reply.at("END") == "DROP";
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
        close(connection);
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Finished.push_back(received);
        m_Changed.notify_all();
    }

    int m_Listen;
    unsigned int m_Port = 0;
    std::thread m_Server;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<std::string> m_Finished;
};
