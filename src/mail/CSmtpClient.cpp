#include "mail/CSmtpClient.h"

#include "platform/OpenSsl.h"

#include "mail/MimeMessage.h"
#include "mail/SmtpReply.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <new>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace {

struct StageCheck {
    int code;
    const char* message;
};

// Indexed by CSmtpClient::Stage.
constexpr StageCheck kStageChecks[] = {
    {250, "SMTP server error"},
    {220, "SMTP server not available"},
    {334, "SMTP server authentication error"},
    {235, "Error username or password"},
    {354, "SMTP server not ready for data"},
    {221, "SMTP server didn't terminate session"},
    {220, "SMTP server refused STARTTLS"},
};

constexpr const char* kTlsFailed = "与服务器建立加密连接(TLS)失败！";
constexpr const char* kCertificateUntrusted = "服务器的证书不受信任，已拒绝连接！";
constexpr const char* kCertificateWrongHost = "服务器的证书不属于该服务器名称，已拒绝连接！";

// Writes into a socket the server has closed raise SIGPIPE, which would end
// the program; OpenSSL writes without MSG_NOSIGNAL, so block it meanwhile and
// swallow what arrived.
class SigpipeBlocker {
public:
    SigpipeBlocker() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, &m_Old);
    }
    ~SigpipeBlocker() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{0, 0};
            sigtimedwait(&pipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &m_Old, nullptr);
    }
    SigpipeBlocker(const SigpipeBlocker&) = delete;
    SigpipeBlocker& operator=(const SigpipeBlocker&) = delete;

private:
    sigset_t m_Old;
};

// A server that never ends its reply must not grow the buffer without end.
constexpr std::size_t kMaxReplyBytes = 64 * 1024;

using SteadyClock = std::chrono::steady_clock;

int MillisecondsLeft(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on the socket until the deadline; false when time ran out.
bool WaitFor(int socket, short events, SteadyClock::time_point deadline) {
    for (;;) {
        pollfd entry{socket, events, 0};
        const int ready = poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        if (errno != EINTR)
            return true; // let the following call report the error
    }
}

enum class ConnectResult { kConnected, kFailed, kTimedOut };

ConnectResult ConnectWithTimeout(int socket, const addrinfo& address,
                                 std::chrono::milliseconds timeout) {
    const int flags = fcntl(socket, F_GETFL, 0);
    fcntl(socket, F_SETFL, flags | O_NONBLOCK);
    ConnectResult result = ConnectResult::kConnected;
    if (connect(socket, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS)
            return ConnectResult::kFailed;
        if (!WaitFor(socket, POLLOUT, SteadyClock::now() + timeout))
            return ConnectResult::kTimedOut;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            result = ConnectResult::kFailed;
    }
    fcntl(socket, F_SETFL, flags);
    return result;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// The EHLO argument for the server's host: a name as it is, an address as an
// address literal (RFC 5321, 4.1.3), which a bare address is not. Read the
// way the connection reads it, so "127.1" and a zone index ("fe80::1%eth0",
// which a literal cannot carry) give the address actually dialled.
std::string HelloArgument(const std::string& host) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return host;
    char text[INET6_ADDRSTRLEN] = "";
    std::string literal = host;
    if (found->ai_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
        if (inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text))
            literal = std::string("[") + text + "]";
    } else if (found->ai_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(found->ai_addr);
        if (inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text))
            literal = std::string("[IPv6:") + text + "]";
    }
    freeaddrinfo(found);
    return literal;
}

} // namespace

ServerAddress ParseServerAddress(std::string_view text, unsigned int defaultPort) {
    // Spaces around a typed server name mean nothing.
    while (text.starts_with(' '))
        text.remove_prefix(1);
    while (text.ends_with(' '))
        text.remove_suffix(1);
    std::string_view host = text;
    std::optional<std::string_view> port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return {std::string(text), 0};
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':'))
            return {std::string(host), 0};
        if (!rest.empty())
            port = rest.substr(1);
    } else if (const std::size_t colon = text.find(':');
               colon != std::string_view::npos && colon == text.rfind(':')) {
        // One colon separates the port; more make a bare IPv6 address.
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (!port)
        return {std::string(host), defaultPort};
    unsigned long number = 0;
    for (const char c : *port) {
        if (c < '0' || c > '9' || number > 65535)
            return {std::string(host), 0};
        number = number * 10 + static_cast<unsigned long>(c - '0');
    }
    const bool valid = number >= 1 && number <= 65535;
    return {std::string(host), valid ? static_cast<unsigned int>(number) : 0};
}

CSmtpClient::CSmtpClient(std::string server, unsigned int port, const Clock& clock)
    : m_Server(std::move(server)), m_Port(port), m_Clock(clock) {}

CSmtpClient::~CSmtpClient() {
    CloseSocket();
}

void CSmtpClient::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds reply) {
    m_ConnectTimeout = connect;
    m_ReplyTimeout = reply;
}

int CSmtpClient::SendMail() {
    // A line break in an address would let it smuggle its own commands and headers.
    if (HasLineBreak(m_Recipient) || HasLineBreak(m_Sender)) {
        m_Error = "邮件地址中含有回车或换行符！";
        return 0;
    }
    if (!Connect())
        return 0;
    if (!Auth())
        return 0;
    const int result = SendMessage();
    Disconnect();
    return result;
}

int CSmtpClient::Connect() {
    if (m_Connected)
        return 1;
    try {
        m_Reply.reserve(1024);
    } catch (const std::bad_alloc&) {
        m_Error = "没有足够的内存";
        return 0;
    }

    const ServerAddress server = ParseServerAddress(m_Server, m_Port);
    m_Host = server.host;
    if (server.port == 0 || m_Host.empty()) {
        m_Error = "服务器地址或端口无效！";
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    const std::string port = std::to_string(server.port);
    if (getaddrinfo(m_Host.c_str(), port.c_str(), &hints, &addresses) != 0 || !addresses) {
        m_Error = "无法创建连接！";
        return 0;
    }
    m_Error = "无法创建连接！";
    for (const addrinfo* address = addresses; address; address = address->ai_next) {
        const int s =
            socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (s < 0) {
            m_Error = "无法创建套接字！";
            continue;
        }
        const ConnectResult result = ConnectWithTimeout(s, *address, m_ConnectTimeout);
        if (result == ConnectResult::kConnected) {
            m_Socket = s;
            break;
        }
        m_Error = result == ConnectResult::kTimedOut ? "连接服务器超时！" : "无法创建连接！";
        close(s);
    }
    freeaddrinfo(addresses);
    if (m_Socket < 0)
        return 0;
    // Every wait is bounded by poll, TLS's included, so the socket never blocks.
    fcntl(m_Socket, F_SETFL, fcntl(m_Socket, F_GETFL, 0) | O_NONBLOCK);

    m_Error.clear();
    if (server.port == m_ImplicitTlsPort && !StartTls()) {
        CloseSocket();
        return 0;
    }
    if (ReadReply(kStageGreeting) != ReplyResult::kOk) {
        m_Error = "服务器没有回应！";
        CloseSocket();
        return 0;
    }
    if (!Hello())
        return 0;
    if (!m_Tls && SmtpReplyOffersStartTls(m_Reply)) {
        // Once offered, TLS is a must: going on in clear here would let anyone
        // on the way strip the offer and read the password.
        SendText("STARTTLS\r\n");
        if (ReadReply(kStageStartTls) != ReplyResult::kOk || !StartTls()) {
            CloseSocket();
            return 0;
        }
        // What the server said before TLS cannot be trusted; ask again.
        if (!Hello())
            return 0;
    }
    m_Connected = 1;
    return 1;
}

bool CSmtpClient::Hello() {
    SendText("EHLO " + HelloArgument(m_Host) + "\r\n");
    if (ReadReply(kStageOk) != ReplyResult::kOk) {
        CloseSocket();
        return false;
    }
    return true;
}

bool CSmtpClient::StartTls() {
    const OpenSslFunctions& ssl = OpenSsl();
    if (!ssl.loaded) {
        m_Error = ssl.error;
        return false;
    }
    m_TlsContext = ssl.SSL_CTX_new(ssl.TLS_client_method());
    if (m_TlsContext) {
        // SSL_CTX_set_min_proto_version, spelled out: the macro names libssl's function.
        ssl.SSL_CTX_ctrl(m_TlsContext, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
        // A server that hangs up without TLS's goodbye has still hung up.
        OpenSsl().SSL_CTX_set_options(m_TlsContext, SSL_OP_IGNORE_UNEXPECTED_EOF);
        OpenSsl().SSL_CTX_set_verify(m_TlsContext, SSL_VERIFY_PEER, nullptr);
        OpenSsl().SSL_CTX_set_default_verify_paths(m_TlsContext); // honours SSL_CERT_FILE
        if (!m_CaFile.empty())
            OpenSsl().SSL_CTX_load_verify_locations(m_TlsContext, m_CaFile.c_str(), nullptr);
        m_Tls = OpenSsl().SSL_new(m_TlsContext);
    }
    if (!m_Tls || OpenSsl().SSL_set_fd(m_Tls, m_Socket) != 1) {
        m_Error = kTlsFailed;
        return false;
    }
    if (IsIpAddress(m_Host)) {
        OpenSsl().X509_VERIFY_PARAM_set1_ip_asc(OpenSsl().SSL_get0_param(m_Tls), m_Host.c_str());
    } else {
        // SSL_set_tlsext_host_name, spelled out for the same reason.
        ssl.SSL_ctrl(m_Tls, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                     const_cast<char*>(m_Host.c_str()));
        OpenSsl().SSL_set1_host(m_Tls, m_Host.c_str());
    }

    SigpipeBlocker blocker;
    const auto deadline = SteadyClock::now() + m_ReplyTimeout;
    for (;;) {
        OpenSsl().ERR_clear_error();
        const int result = OpenSsl().SSL_connect(m_Tls);
        if (result == 1)
            return true;
        const int error = OpenSsl().SSL_get_error(m_Tls, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (WaitFor(m_Socket, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, deadline))
                continue;
            m_Error = "等待服务器回应超时！";
            return false;
        }
        const long verify = OpenSsl().SSL_get_verify_result(m_Tls);
        if (verify == X509_V_ERR_HOSTNAME_MISMATCH || verify == X509_V_ERR_IP_ADDRESS_MISMATCH)
            m_Error = kCertificateWrongHost;
        else if (verify != X509_V_OK)
            m_Error = kCertificateUntrusted;
        else
            m_Error = kTlsFailed;
        return false;
    }
}

int CSmtpClient::Auth() {
    if (!m_Connected)
        return 0;
    if (m_Authenticated)
        return 1;

    SendText("AUTH LOGIN\r\n");
    ReplyResult result = ReadReply(kStageAuth);
    if (result == ReplyResult::kWrongCode) {
        // Any other answer means the server lets us send without logging in.
        m_Error = "SMTP服务器不需要验证";
        m_Authenticated = 1;
        return 1;
    }
    if (result != ReplyResult::kOk)
        return 0; // the connection broke; ReadReply has said why

    // SASL servers take UTF-8 credentials, each on one line however long.
    if (!m_Tls)
        m_PasswordSentInClear = true;
    SendText(Base64Line(m_UserName) + "\r\n");
    result = ReadReply(kStageAuth);
    if (result != ReplyResult::kOk) {
        if (result == ReplyResult::kWrongCode)
            m_Error = "不明的错误！";
        CloseSocket();
        return 0;
    }

    SendText(Base64Line(m_Password) + "\r\n");
    if (ReadReply(kStageAuthDone) != ReplyResult::kOk) {
        CloseSocket();
        return 0;
    }
    m_Authenticated = 1;
    return 1;
}

int CSmtpClient::SendMessage() {
    if (!m_Connected) {
        m_Error = "服务器没有连接成功！";
        return 0;
    }
    if (!m_Authenticated) {
        m_Error = "身份没有验证成功！";
        return 0;
    }
    SendText("MAIL FROM: <" + m_Sender + ">\r\n");
    if (ReadReply(kStageOk) != ReplyResult::kOk)
        return 0;
    SendText("RCPT TO: <" + m_Recipient + ">\r\n");
    if (ReadReply(kStageOk) != ReplyResult::kOk)
        return 0;
    SendText("DATA\r\n");
    if (ReadReply(kStageData) != ReplyResult::kOk)
        return 0;

    const DateTime now = m_Clock.Now();
    SendText(BuildMimeMessage(
        {m_Sender, m_Recipient, m_Subject, m_Body, now, NewMessageId(m_Sender, now)}));
    SendText(".\r\n");
    return ReadReply(kStageOk) == ReplyResult::kOk ? 1 : 0;
}

int CSmtpClient::Disconnect() {
    if (!m_Connected)
        return 1;
    SendText("QUIT\r\n");
    const int result = ReadReply(kStageQuit) == ReplyResult::kOk ? 1 : 0;
    CloseSocket();
    return result;
}

void CSmtpClient::SendText(std::string_view text) {
    // A failed write shows up in the reply that follows.
    const auto deadline = SteadyClock::now() + m_ReplyTimeout;
    SigpipeBlocker blocker;
    while (!text.empty() && m_Socket >= 0) {
        short waitFor = POLLOUT;
        if (m_Tls) {
            // A TLS write must be repeated with the same piece until it goes.
            const int piece = static_cast<int>(std::min<std::size_t>(text.size(), 16384));
            OpenSsl().ERR_clear_error();
            const int sent = OpenSsl().SSL_write(m_Tls, text.data(), piece);
            if (sent > 0) {
                text.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            const int error = OpenSsl().SSL_get_error(m_Tls, sent);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                return;
            waitFor = error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
        } else {
            const ssize_t sent = send(m_Socket, text.data(), text.size(), MSG_NOSIGNAL);
            if (sent > 0) {
                text.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                return;
        }
        if (!WaitFor(m_Socket, waitFor, deadline))
            return;
    }
}

long CSmtpClient::ReceiveSome(char* buffer, std::size_t size, SteadyClock::time_point deadline) {
    for (;;) {
        short waitFor = POLLIN;
        if (m_Tls) {
            OpenSsl().ERR_clear_error();
            const int received = OpenSsl().SSL_read(m_Tls, buffer, static_cast<int>(size));
            if (received > 0)
                return received;
            const int error = OpenSsl().SSL_get_error(m_Tls, received);
            if (error == SSL_ERROR_ZERO_RETURN)
                return 0;
            if (error == SSL_ERROR_SYSCALL && OpenSsl().ERR_peek_error() == 0 &&
                (received == 0 || errno == ECONNRESET || errno == EPIPE))
                return 0;
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                return -2;
            waitFor = error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
        } else {
            const ssize_t received = recv(m_Socket, buffer, size, 0);
            if (received >= 0)
                return received;
            if (errno == ECONNRESET || errno == ECONNABORTED || errno == EPIPE)
                return 0;
            if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
                return -2;
        }
        if (!WaitFor(m_Socket, waitFor, deadline))
            return -1;
    }
}

CSmtpClient::ReplyResult CSmtpClient::ReadReply(Stage stage) {
    m_Reply.clear();
    const auto deadline = SteadyClock::now() + m_ReplyTimeout;
    std::size_t lastLine = std::string::npos;
    const char* transportError = nullptr;
    while (m_Socket >= 0) {
        lastLine = SmtpReplyLastLine(m_Reply);
        if (lastLine != std::string::npos)
            break;
        if (m_Reply.size() > kMaxReplyBytes) {
            transportError = "服务器的回应过长！";
            break;
        }
        char buffer[1024];
        const long received = ReceiveSome(buffer, sizeof buffer, deadline);
        if (received > 0) {
            m_Reply.append(buffer, static_cast<std::size_t>(received));
            continue;
        }
        transportError = received == 0    ? "服务器断开了连接！"
                         : received == -1 ? "等待服务器回应超时！"
                                          : "Socket错误！";
        break;
    }
    if (lastLine == std::string::npos) {
        m_Error = transportError ? transportError : "Socket错误！";
        // The dialogue cannot go on; closing now also spares Disconnect a
        // second wait for a QUIT reply that cannot come.
        CloseSocket();
        return ReplyResult::kTransport;
    }

    const int code = SmtpReplyCode(m_Reply, lastLine);
    const StageCheck& check = kStageChecks[stage];
    if (code == check.code)
        return ReplyResult::kOk;
    char text[128];
    std::snprintf(text, sizeof text, "%d:%s", code, check.message);
    m_Error = text;
    return ReplyResult::kWrongCode;
}

void CSmtpClient::CloseSocket() {
    if (m_Tls) {
        SigpipeBlocker blocker;
        OpenSsl().SSL_shutdown(m_Tls); // one try: the socket does not block, and nothing waits for it
        OpenSsl().SSL_free(m_Tls);
        m_Tls = nullptr;
    }
    if (m_TlsContext) {
        OpenSsl().SSL_CTX_free(m_TlsContext);
        m_TlsContext = nullptr;
    }
    if (m_Socket >= 0)
        close(m_Socket);
    m_Socket = -1;
    m_Connected = 0;
    m_Authenticated = 0;
}
