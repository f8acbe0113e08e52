#pragma once
// A small HTTP server on 127.0.0.1 for tests. Each path answers as set in
// `Serve`; unknown paths get 404. Every connection is served on a thread of
// its own and closed after one answer. Records the requests it received.

#include <arpa/inet.h>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

class HttpTestServer {
public:
    struct Response {
        int status = 200;
        std::string body{};
        bool sendLength = true;  // false: no Content-Length, the close ends the body
        std::string location{};  // a Location header (for redirects)
        std::size_t holdAfter{}; // >0: send this many body bytes, then wait for Release()
    };

    HttpTestServer() : m_Listen(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        bind(m_Listen, reinterpret_cast<sockaddr*>(&address), length);
        getsockname(m_Listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_Port = ntohs(address.sin_port);
        listen(m_Listen, 16);
        m_Acceptor = std::thread([this] {
            for (int connection; (connection = accept(m_Listen, nullptr, nullptr)) >= 0;) {
                std::lock_guard<std::mutex> lock(m_Mutex);
                m_Connections.emplace_back([this, connection] { Answer(connection); });
            }
        });
    }

    ~HttpTestServer() {
        Release();
        shutdown(m_Listen, SHUT_RDWR); // wakes the waiting accept
        m_Acceptor.join();
        close(m_Listen);
        for (std::thread& connection : m_Connections)
            connection.join();
    }

    void Serve(const std::string& path, Response response) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Responses[path] = std::move(response);
    }

    // Lets held answers go on.
    void Release() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Released = true;
        m_Changed.notify_all();
    }

    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(m_Port) + path;
    }

    // The request heads received so far.
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Requests;
    }

private:
    void Answer(int connection) {
        const timeval patience{10, 0}; // a test gone wrong must not hang
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        std::string request;
        char buffer[4096];
        for (ssize_t n; request.find("\r\n\r\n") == std::string::npos &&
                        (n = recv(connection, buffer, sizeof buffer, 0)) > 0;)
            request.append(buffer, static_cast<std::size_t>(n));
        const std::size_t pathStart = request.find(' ') + 1;
        const std::string path =
            request.substr(pathStart, request.find(' ', pathStart) - pathStart);
        Response response{404};
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Requests.push_back(request);
            if (m_Responses.count(path))
                response = m_Responses.at(path);
        }
        std::string head = "HTTP/1.1 " + std::to_string(response.status) + " Test\r\n";
        if (response.sendLength)
            head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        if (!response.location.empty())
            head += "Location: " + response.location + "\r\n";
        const std::size_t hold = response.holdAfter < response.body.size() ? response.holdAfter : 0;
        Send(connection, head + "Connection: close\r\n\r\n" + response.body.substr(0, hold));
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_Released || !hold; });
        lock.unlock();
        Send(connection, response.body.substr(hold));
        shutdown(connection, SHUT_WR);
        while (recv(connection, buffer, sizeof buffer, 0) > 0) {
        }
        close(connection);
    }

    static void Send(int connection, const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = send(connection, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            at += static_cast<std::size_t>(n);
        }
    }

    int m_Listen;
    unsigned int m_Port = 0;
    std::thread m_Acceptor;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::map<std::string, Response> m_Responses;
    std::vector<std::string> m_Requests;
    std::vector<std::thread> m_Connections;
    bool m_Released = false;
};
