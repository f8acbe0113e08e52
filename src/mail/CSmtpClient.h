#pragma once
// A small blocking SMTP client: greeting, EHLO, AUTH LOGIN, one message to
// one recipient, QUIT. Texts are UTF-8 here and GB18030 on the wire.

#include "platform/Clock.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

constexpr unsigned int kSmtpPort = 25;

class CSmtpClient {
public:
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
    std::string m_Body; // lines separated by CR LF (a bare LF is sent as CR LF)

    // A dead or silent server must not stall a mail thread for ever.
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds reply);

    // Connect, Auth, SendMessage, Disconnect; 1 when the message was accepted.
    int SendMail();
    int Connect();
    int Auth();
    int SendMessage();
    int Disconnect();
    std::string GetError() const { return m_Error; }

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
    };
    // How a reply read ended; only kWrongCode means the server answered.
    enum class ReplyResult { kOk, kWrongCode, kTransport };

    void SendText(std::string_view text);
    ReplyResult ReadReply(Stage stage);
    void CloseSocket();

    std::string m_Server;
    unsigned int m_Port;
    const Clock& m_Clock;
    std::chrono::milliseconds m_ConnectTimeout{30000};
    std::chrono::milliseconds m_ReplyTimeout{60000};
    std::string m_Error;
    int m_Connected = 0;
    int m_Authenticated = 0;
    std::string m_Reply; // the last whole reply
    int m_Socket = -1;
};
