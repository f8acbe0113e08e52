#pragma once
// A small SMTP server on 127.0.0.1 for tests. It answers every command with a
// scripted reply (a plain good server unless told otherwise) and records every
// byte each connection sent. Connections are served side by side.

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

class SmtpTestServer {
public:
    // Reply keys: "GREETING", the command's first word ("EHLO", "AUTH", "MAIL",
    // "RCPT", "DATA", "QUIT"), "USER" and "PASS" for the two credential lines,
    // "END" for the end of the data.
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
    std::string hangAt;        // key at which the server goes silent, keeping the connection
    std::string dropAt;        // key at which it closes the connection ("END": while data arrives)
    bool splitReplies = false; // send every reply in three segments

    explicit SmtpTestServer(int backlog = 16) {
        m_Listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_Listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(m_Listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_Port = ntohs(address.sin_port);
        listen(m_Listen, backlog);
    }

    ~SmtpTestServer() {
        m_Stop = true;
        if (m_Acceptor.joinable())
            m_Acceptor.join();
        for (std::thread& t : m_Sessions)
            t.join();
        close(m_Listen);
    }

    // Starts answering; the reply settings are fixed from here on.
    void Start() {
        m_Acceptor = std::thread([this] { AcceptLoop(); });
    }

    unsigned int Port() const { return m_Port; }

    // Bytes received on each finished connection, in the order they ended.
    std::vector<std::string> Sessions() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Finished;
    }

    // Waits until `count` connections have ended (false after 30 s).
    bool WaitForSessions(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Changed.wait_for(lock, std::chrono::seconds(30),
                                  [&] { return m_Finished.size() >= count; });
    }

private:
    void AcceptLoop() {
        while (!m_Stop) {
            pollfd entry{m_Listen, POLLIN, 0};
            if (poll(&entry, 1, 20) <= 0)
                continue;
            const int connection = accept(m_Listen, nullptr, nullptr);
            if (connection < 0)
                continue;
            const int on = 1;
            setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            m_Sessions.emplace_back([this, connection] { Serve(connection); });
        }
    }

    // Receives more bytes; false when the peer closed or the server stops.
    bool Receive(int connection, std::string& received, std::string& pending) {
        for (;;) {
            if (m_Stop)
                return false;
            pollfd entry{connection, POLLIN, 0};
            if (poll(&entry, 1, 20) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            received.append(buffer, static_cast<std::size_t>(n));
            pending.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
    }

    void Send(int connection, const std::string& text) {
        if (!splitReplies || text.size() < 3) {
            send(connection, text.data(), text.size(), MSG_NOSIGNAL);
            return;
        }
        const std::size_t cuts[] = {0, 2, text.size() - 1, text.size()};
        for (int i = 0; i < 3; ++i) {
            send(connection, text.data() + cuts[i], cuts[i + 1] - cuts[i], MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    }

    // Answers `key`; false when the session ends here.
    bool Answer(int connection, const std::string& key, std::string& received,
                std::string& pending) {
        if (key == hangAt) {
            while (Receive(connection, received, pending)) {
            }
            return false;
        }
        if (key == dropAt)
            return false;
        Send(connection, reply.at(key));
        return key != "QUIT";
    }

    void Serve(int connection) {
        std::string received;
        std::string pending;
        std::string expect; // "USER", "PASS" or "END" when not a command
        bool open = Answer(connection, "GREETING", received, pending);
        while (open) {
            const std::string terminator = expect == "END" ? "\r\n.\r\n" : "\r\n";
            const std::size_t end = pending.find(terminator);
            if (end == std::string::npos) {
                if (expect == "END" && dropAt == "END" && !pending.empty())
                    break; // part of the data is in: hang up on it
                open = Receive(connection, received, pending);
                continue;
            }
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + terminator.size());
            std::string key = expect;
            if (key.empty())
                key = line.substr(0, line.find(' '));
            if (!reply.count(key))
                key = "MAIL"; // anything unknown gets a plain 250
            open = Answer(connection, key, received, pending);
            const bool accepted = reply.at(key).rfind(key == "DATA" ? "354" : "334", 0) == 0;
            if (key == "AUTH" && accepted)
                expect = "USER";
            else if (key == "USER" && accepted)
                expect = "PASS";
            else if (key == "DATA" && accepted)
                expect = "END";
            else
                expect.clear();
        }
        close(connection);
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Finished.push_back(received);
        m_Changed.notify_all();
    }

    int m_Listen = -1;
    unsigned int m_Port = 0;
    std::atomic<bool> m_Stop{false};
    std::thread m_Acceptor;
    std::vector<std::thread> m_Sessions; // only touched by the acceptor, then the destructor
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<std::string> m_Finished;
};
