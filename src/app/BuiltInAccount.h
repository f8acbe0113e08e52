#pragma once
// The maker's services built into the program: the web server, the sender
// account offered to users who have none of their own, and the SMTP servers
// offered in the personal settings.
//
// The password is a placeholder: the real account is configured by whoever
// ships the program, never kept in the source.

#include <array>
#include <cstddef>
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

// The built-in account sends through provider 10.
inline constexpr std::size_t kBuiltInServerIndex = 9;

inline constexpr std::string_view kBuiltInEmail = "annivo.reminder@aliyun.com";
inline constexpr std::string_view kBuiltInUserName = "annivo.reminder";
inline constexpr std::string_view kBuiltInPassword = "Placehold01";
inline constexpr std::string_view kBuiltInServerName = kSmtpServers[kBuiltInServerIndex];
