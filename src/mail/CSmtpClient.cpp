#include "mail/CSmtpClient.h"

#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <netdb.h>
#include <new>
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

// The last line of a reply is the first complete line whose code is not
// followed by "-"; returns its start, or npos while the reply is incomplete.
std::size_t LastLineStart(const std::string& reply) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = reply.find('\n', start);
        if (end == std::string::npos)
            return std::string::npos;
        if (end - start < 4 || reply[start + 3] != '-')
            return start;
        start = end + 1;
    }
}

// The first three characters read as a decimal number, stopping at a non-digit.
int ReplyCode(const std::string& reply, std::size_t start) {
    int code = 0;
    for (std::size_t i = start; i < start + 3 && i < reply.size(); ++i) {
        if (reply[i] < '0' || reply[i] > '9')
            break;
        code = code * 10 + (reply[i] - '0');
    }
    return code;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// Bare LF becomes CR LF, and every line that starts with "." gets a second
// one so that no body line can end the data early.
std::string PrepareBody(const std::string& body) {
    std::string text;
    text.reserve(body.size() + body.size() / 32 + 8);
    bool lineStart = true;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (lineStart && c == '.')
            text += '.';
        if (c == '\n' && (i == 0 || body[i - 1] != '\r'))
            text += '\r';
        text += c;
        lineStart = c == '\n';
    }
    text += "\r\n";
    return text;
}

} // namespace

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

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    const std::string port = std::to_string(m_Port);
    if (getaddrinfo(m_Server.c_str(), port.c_str(), &hints, &addresses) != 0 || !addresses) {
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

    // A send to a server that stopped reading must not block for ever either.
    timeval sendTimeout{};
    sendTimeout.tv_sec = m_ReplyTimeout.count() / 1000;
    sendTimeout.tv_usec = (m_ReplyTimeout.count() % 1000) * 1000;
    setsockopt(m_Socket, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);

    m_Error.clear();
    if (ReadReply(kStageGreeting) != ReplyResult::kOk) {
        m_Error = "服务器没有回应！";
        CloseSocket();
        return 0;
    }
    SendText("EHLO " + Utf8ToGb18030(m_Server) + "\r\n");
    if (ReadReply(kStageOk) != ReplyResult::kOk) {
        CloseSocket();
        return 0;
    }
    m_Connected = 1;
    return 1;
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

    SendText(Base64Encode(Utf8ToGb18030(m_UserName)) + "\r\n");
    result = ReadReply(kStageAuth);
    if (result != ReplyResult::kOk) {
        if (result == ReplyResult::kWrongCode)
            m_Error = "不明的错误！";
        CloseSocket();
        return 0;
    }

    SendText(Base64Encode(Utf8ToGb18030(m_Password)) + "\r\n");
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
    const std::string sender = Utf8ToGb18030(m_Sender);
    const std::string recipient = Utf8ToGb18030(m_Recipient);

    SendText("MAIL FROM: <" + sender + ">\r\n");
    if (ReadReply(kStageOk) != ReplyResult::kOk)
        return 0;
    SendText("RCPT TO: <" + recipient + ">\r\n");
    if (ReadReply(kStageOk) != ReplyResult::kOk)
        return 0;
    SendText("DATA\r\n");
    if (ReadReply(kStageData) != ReplyResult::kOk)
        return 0;

    // A line break in the subject would start a header of its own.
    std::string subject = m_Subject;
    for (char& c : subject) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    // The zone goes out as a number: a zone name such as "CST" is read by mail
    // readers as US Central time, 14 hours away from China's.
    const std::string date = m_Clock.Now().Format("%a, %d %b %y %H:%M:%S %z");
    SendText("Date: " + date + "\r\nFrom: " + sender + "\r\nTo: " + recipient +
             "\r\nSubject: " + Utf8ToGb18030(subject) + "\r\n\r\n");
    SendText(PrepareBody(Utf8ToGb18030(m_Body)));
    SendText("\r\n.\r\n");
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
    while (!text.empty() && m_Socket >= 0) {
        const ssize_t sent = send(m_Socket, text.data(), text.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(sent));
    }
}

CSmtpClient::ReplyResult CSmtpClient::ReadReply(Stage stage) {
    m_Reply.clear();
    const auto deadline = SteadyClock::now() + m_ReplyTimeout;
    std::size_t lastLine = std::string::npos;
    const char* transportError = nullptr;
    while (m_Socket >= 0) {
        lastLine = LastLineStart(m_Reply);
        if (lastLine != std::string::npos)
            break;
        if (m_Reply.size() > kMaxReplyBytes) {
            transportError = "服务器的回应过长！";
            break;
        }
        if (!WaitFor(m_Socket, POLLIN, deadline)) {
            transportError = "等待服务器回应超时！";
            break;
        }
        char buffer[1024];
        const ssize_t received = recv(m_Socket, buffer, sizeof buffer, 0);
        if (received > 0) {
            m_Reply.append(buffer, static_cast<std::size_t>(received));
            continue;
        }
        if (received < 0 && errno == EINTR)
            continue;
        if (received == 0 || errno == ECONNRESET || errno == ECONNABORTED || errno == EPIPE)
            transportError = "服务器断开了连接！";
        else
            transportError = "Socket错误！";
        break;
    }
    if (lastLine == std::string::npos) {
        m_Error = transportError ? transportError : "Socket错误！";
        // The dialogue cannot go on; closing now also spares Disconnect a
        // second wait for a QUIT reply that cannot come.
        CloseSocket();
        return ReplyResult::kTransport;
    }

    const int code = ReplyCode(m_Reply, lastLine);
    const StageCheck& check = kStageChecks[stage];
    if (code == check.code)
        return ReplyResult::kOk;
    char text[128];
    std::snprintf(text, sizeof text, "%d:%s", code, check.message);
    m_Error = text;
    return ReplyResult::kWrongCode;
}

void CSmtpClient::CloseSocket() {
    if (m_Socket >= 0)
        close(m_Socket);
    m_Socket = -1;
    m_Connected = 0;
    m_Authenticated = 0;
}
