#pragma once
// A small blocking SMTP client: greeting, EHLO, STARTTLS where offered,
// AUTH LOGIN, one MIME message to one recipient, QUIT. Port 465 speaks TLS
// from the first byte. Certificates are checked against the system's store
// (and m_CaFile), host name included.

#include "platform/Clock.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

constexpr unsigned int kSmtpPort = 25;
constexpr unsigned int kSmtpTlsPort = 465; // TLS from the first byte

struct ssl_st;
struct ssl_ctx_st;

// A server field: "host", "host:port", "[v6 address]" or "[v6 address]:port".
struct ServerAddress {
    std::string host;
    unsigned int port = 0; // 0: the field's port is not a number from 1 to 65535
};
ServerAddress ParseServerAddress(std::string_view text, unsigned int defaultPort);

class CSmtpClient {
public:
    // `server` may name its own port, which then wins over `port`.
    CSmtpClient(std::string server, unsigned int port, const Clock& clock = DefaultClock());
    ~CSmtpClient();
    CSmtpClient(const CSmtpClient&) = delete;
    CSmtpClient& operator=(const CSmtpClient&) = delete;

    // Set by the caller before SendMail.
    std::string m_Recipient;
    std::string m_Sender;
    std::string m_UserName;
    std::string m_Password;
    std::string m_Subject;
    std::string m_Body;   // lines separated by CR LF (a bare LF or CR is sent as CR LF)
    std::string m_CaFile; // PEM certificates trusted besides the system's store
    unsigned int m_ImplicitTlsPort = kSmtpTlsPort; // the port that speaks TLS from the first byte

    // A dead or silent server must not stall a mail thread for ever.
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds reply);

    // Connect, Auth, SendMessage, Disconnect; 1 when the message was accepted.
    int SendMail();
    int Connect();
    int Auth();
    int SendMessage();
    int Disconnect();
    std::string GetError() const { return m_Error; }
    // True once the credentials went out on a connection without TLS.
    bool PasswordSentInClear() const { return m_PasswordSentInClear; }

    // RFC 2045 alphabet, "=" padding, CR LF after every 76th character.
    static std::string Base64Encode(const char* data, std::size_t length);
    static std::string Base64Encode(std::string_view data) {
        return Base64Encode(data.data(), data.size());
    }
    // Skips every character outside the alphabet; the result ends at the
    // first zero byte.
    static std::string Base64Decode(const char* text);
    static std::string Base64Decode(const std::string& text) { return Base64Decode(text.c_str()); }

private:
    // Replies are checked against one expected code per stage.
    enum Stage {
        kStageOk = 0,       // 250 after EHLO, MAIL FROM, RCPT TO and the data
        kStageGreeting = 1, // 220
        kStageAuth = 2,     // 334
        kStageAuthDone = 3, // 235
        kStageData = 4,     // 354
        kStageQuit = 5,     // 221
        kStageStartTls = 6, // 220 after STARTTLS
    };
    // How a reply read ended; only kWrongCode means the server answered.
    enum class ReplyResult { kOk, kWrongCode, kTransport };

    bool Hello();
    bool StartTls();
    void SendText(std::string_view text);
    // Bytes read, 0 when the server hung up, -1 on time-out, -2 on another error.
    long ReceiveSome(char* buffer, std::size_t size,
                     std::chrono::steady_clock::time_point deadline);
    ReplyResult ReadReply(Stage stage);
    void CloseSocket();

    std::string m_Server;
    unsigned int m_Port;
    std::string m_Host; // m_Server without its port
    const Clock& m_Clock;
    std::chrono::milliseconds m_ConnectTimeout{30000};
    std::chrono::milliseconds m_ReplyTimeout{60000};
    std::string m_Error;
    int m_Connected = 0;
    int m_Authenticated = 0;
    std::string m_Reply; // the last whole reply
    int m_Socket = -1;
    ssl_ctx_st* m_TlsContext = nullptr;
    ssl_st* m_Tls = nullptr; // set while the connection is encrypted
    bool m_PasswordSentInClear = false;
};
