#pragma once
// A Radicale CalDAV server (Debian's, run by the system's Python) on
// 127.0.0.1 at a free port, with a password file, its storage in a temporary
// directory, started for a test and stopped at its end. The user `kUser`
// owns one empty calendar, CalendarUrl(). Given a certificate and its key,
// it speaks https.

#include "TempDir.h"
#include "platform/WholeFile.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

extern char** environ;

// A port nobody listens on right now.
inline int FreeLocalPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// A server that takes connections (the kernel's backlog does) and never
// answers.
class SilentServer {
public:
    SilentServer() : m_Fd(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_Fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_Fd, 8);
        getsockname(m_Fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_Port = ntohs(address.sin_port);
    }
    ~SilentServer() { close(m_Fd); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_Port) + "/"; }

private:
    int m_Fd;
    int m_Port = 0;
};

class RadicaleServer {
public:
    static constexpr const char* kUser = "alice";
    static constexpr const char* kPassword = "geheim-密码";

    explicit RadicaleServer(const std::string& certificate = "", const std::string& key = "")
        : m_Port(FreeLocalPort()), m_Scheme(certificate.empty() ? "http" : "https") {
        namespace fs = std::filesystem;
        const fs::path root = m_Dir.Path();
        const fs::path calendar = root / "storage" / "collection-root" / kUser / "birthdays";
        fs::create_directories(calendar);
        WriteFile(calendar / ".Radicale.props", R"({"tag": "VCALENDAR"})");
        WriteFile(root / "users", std::string(kUser) + ":" + kPassword + "\n");
        const std::string tls =
            certificate.empty() ? ""
                                : "\nssl = True\ncertificate = " + certificate + "\nkey = " + key;
        WriteFile(
            root / "config",
            "[server]\nhosts = 127.0.0.1:" + std::to_string(m_Port) + tls +
                "\n[auth]\ntype = htpasswd\nhtpasswd_filename = " + (root / "users").string() +
                "\nhtpasswd_encryption = plain\ndelay = 0\n"
                "[rights]\ntype = owner_only\n"
                "[storage]\nfilesystem_folder = " +
                (root / "storage").string() + "\n[web]\ntype = none\n[logging]\nlevel = warning\n");
        const std::string config = (root / "config").string(), log = (root / "log").string();
        std::vector<std::string> args{"/usr/bin/python3", "-m", "radicale", "--config", config};
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int spawned = posix_spawn(&m_Pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error("cannot start radicale");
        // Ready once it takes connections; a server that died says why.
        for (int i = 0; i < 400 && !Listening(); ++i) {
            if (waitpid(m_Pid, nullptr, WNOHANG) == m_Pid) {
                m_Pid = 0;
                throw std::runtime_error("radicale stopped: " + ReadWholeFile(log).value_or(""));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ~RadicaleServer() {
        if (m_Pid > 0) {
            kill(m_Pid, SIGTERM);
            waitpid(m_Pid, nullptr, 0);
        }
    }
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    std::string Root() const { return m_Scheme + "://127.0.0.1:" + std::to_string(m_Port) + "/"; }
    std::string CalendarUrl() const { return Root() + kUser + "/birthdays/"; }

private:
    static void WriteFile(const std::filesystem::path& path, const std::string& text) {
        if (!ReplaceWholeFile(path, text))
            throw std::runtime_error("cannot write " + path.string());
    }
    bool Listening() const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(m_Port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }

    TempDir m_Dir;
    int m_Port;
    std::string m_Scheme;
    pid_t m_Pid = 0;
};
