#include "mail/MailQueue.h"

#include "mail/ReminderSink.h"
#include "settings/Globals.h"

#include <functional>
#include <memory>
#include <system_error>
#include <thread>

namespace {

// The user should know, and can pick a server that offers TLS.
constexpr const char* kPasswordInClearNote = "(注意:服务器不支持加密，密码未加密传送!)";

// Gives back one busy count when the last copy of it goes.
struct BusyCountHandle {
    BusyCountHandle() = default;
    BusyCountHandle(const BusyCountHandle&) = delete;
    BusyCountHandle& operator=(const BusyCountHandle&) = delete;
    ~BusyCountHandle() { DecrementBusyCount(); }
};

// Reports a failed mail; a mail the user wrote is first kept on the main
// thread, which alone may ask the user and write annivo.ini. The busy count
// the mail holds goes with it, so a check-once run does not end before the
// mail is safe; it comes back once that is done, or when the task is dropped.
void ReportFailure(ReminderSink& sink, std::function<std::string(const std::string&)> keepUnsent,
                   const std::string& hint) {
    if (!keepUnsent) {
        sink.WriteHint(hint);
        DecrementBusyCount();
        return;
    }
    auto busy = std::make_shared<BusyCountHandle>();
    sink.PostToMainThread(
        [&sink, keep = std::move(keepUnsent), hint, busy] { sink.WriteHint(keep(hint)); });
}

} // namespace

MailQueue::MailQueue(ReminderSink& sink, unsigned int port) : m_Sink(sink), m_Port(port) {}

void MailQueue::Enqueue(MailJob job) {
    IncrementBusyCount();
    {
        std::lock_guard<std::mutex> lock(g_MailQueueMutex);
        m_Jobs.push_back(std::move(job));
    }
    try {
        std::thread(&MailQueue::SenderThread, this).detach();
    } catch (const std::system_error&) {
        // No thread, no delivery: take a job back so that every job left
        // still has its thread, and give the count back.
        MailJob unsent;
        {
            std::lock_guard<std::mutex> lock(g_MailQueueMutex);
            if (!m_Jobs.empty()) {
                unsent = std::move(m_Jobs.back());
                m_Jobs.pop_back();
            }
        }
        ReportFailure(m_Sink, std::move(unsent.keepUnsent), "邮件发送失败!原因:无法启动发送线程！");
    }
}

void MailQueue::SenderThread(MailQueue* queue) {
    std::unique_ptr<CSmtpClient> client;
    std::string subject;
    std::function<std::string(const std::string&)> keepUnsent;
    {
        std::lock_guard<std::mutex> lock(g_MailQueueMutex);
        if (queue->m_Jobs.empty()) {
            DecrementBusyCount(); // its job went with another thread
            return;
        }
        MailJob& job = queue->m_Jobs.front();
        client = std::make_unique<CSmtpClient>(job.sender.server, queue->m_Port);
        client->m_Subject = job.subject;
        client->m_Recipient = job.recipient;
        client->m_Body = job.body;
        client->m_Sender = job.sender.email;
        client->m_UserName = job.sender.userName;
        client->m_Password = job.sender.password;
        subject = job.subject;
        keepUnsent = std::move(job.keepUnsent);
        queue->m_Jobs.pop_front();
    }

    const bool sent = client->SendMail() != 0;
    std::string hint =
        sent ? "标题:" + subject + "的邮件发送成功!" : "邮件发送失败!原因:" + client->GetError();
    if (client->PasswordSentInClear())
        hint += kPasswordInClearNote;
    client.reset();

    // Last: once the count is down the queue may be gone.
    ReminderSink& sink = queue->m_Sink;
    if (sent) {
        sink.WriteHint(hint);
        DecrementBusyCount();
    } else {
        ReportFailure(sink, std::move(keepUnsent), hint);
    }
}
