#pragma once
// The maker's services built into the program: the web server, the sender
// account offered to users who have none of their own, and the SMTP servers
// offered in the personal settings.
//
// The password is a placeholder: the real account is configured by whoever
// ships the program, never kept in the source.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Base URL of the maker's web server, prefix of the help links and of the
// update files; annivo.ini's Version/UrlPath overrides it.
inline constexpr const char* kDefaultUrlPath = "https://www.qilora.com/";

// Mail servers in the order the settings list shows them (provider 1 first).
inline constexpr std::array<std::string_view, 12> kSmtpServers = {
    "smtp.163.com", "smtp.126.com",    "smtp.qq.com",   "smtp.sina.com",
    "smtp.sina.cn", "smtp.sohu.com",   "smtp.yeah.net", "smtp.139.com",
    "smtp.189.cn",  "smtp.aliyun.com", "smtp.21cn.com", "smtp.gmail.com",
};

// The port each provider documents for mail submission over TLS (465: TLS
// from the first byte, 587: STARTTLS), in the order of kSmtpServers.
inline constexpr std::array<unsigned int, 12> kSmtpServerTlsPorts = {
    465, 465, 465, 465, 465, 465, 465, 465, 465, 465, 465, 587,
};

// The server to connect to for a server field: one of the listed hosts
// without a port of its own gets its provider's TLS port, so that settings
// stored as a bare host name send over TLS too.
inline std::string SubmissionServer(std::string_view server) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < kSmtpServers.size(); ++i) {
        const std::string_view host = kSmtpServers[i];
        bool same = host.size() == server.size();
        for (std::size_t c = 0; same && c < host.size(); ++c)
            same = lower(server[c]) == host[c];
        if (same)
            return std::string(host) + ":" + std::to_string(kSmtpServerTlsPorts[i]);
    }
    return std::string(server);
}

// The built-in account sends through provider 10.
inline constexpr std::size_t kBuiltInServerIndex = 9;

inline constexpr std::string_view kBuiltInEmail = "annivo.reminder@aliyun.com";
inline constexpr std::string_view kBuiltInUserName = "annivo.reminder";
inline constexpr std::string_view kBuiltInPassword = "Placehold01";
inline constexpr std::string_view kBuiltInServerName = kSmtpServers[kBuiltInServerIndex];
