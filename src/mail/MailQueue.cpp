#include "mail/MailQueue.h"

#include "app/Globals.h"
#include "reminders/ReminderSink.h"

#include <memory>
#include <system_error>
#include <thread>

namespace {

// The user should know, and can pick a server that offers TLS.
constexpr const char* kPasswordInClearNote = "(注意:服务器不支持加密，密码未加密传送!)";

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
        {
            std::lock_guard<std::mutex> lock(g_MailQueueMutex);
            if (!m_Jobs.empty())
                m_Jobs.pop_back();
        }
        DecrementBusyCount();
        m_Sink.WriteHint("邮件发送失败!原因:无法启动发送线程！");
    }
}

void MailQueue::SenderThread(MailQueue* queue) {
    std::unique_ptr<CSmtpClient> client;
    std::string subject;
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
        queue->m_Jobs.pop_front();
    }

    std::string hint = client->SendMail() ? "标题:" + subject + "的邮件发送成功!"
                                          : "邮件发送失败!原因:" + client->GetError();
    if (client->PasswordSentInClear())
        hint += kPasswordInClearNote;
    queue->m_Sink.WriteHint(hint);

    client.reset();
    // Last: once the count is down the queue may be gone.
    DecrementBusyCount();
}
