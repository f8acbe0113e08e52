#include "mail/MailQueue.h"

#include "app/Globals.h"
#include "reminders/ReminderSink.h"

#include <memory>
#include <system_error>
#include <thread>

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
        client = std::make_unique<CSmtpClient>(g_Setting.m_ServerName, queue->m_Port);
        client->m_Subject = job.subject;
        client->m_Recipient = job.recipient;
        client->m_Body = job.body;
        client->m_Sender = g_Setting.m_Email;
        client->m_UserName = g_Setting.m_UserName;
        client->m_Password = g_Setting.m_Password;
        subject = job.subject;
        queue->m_Jobs.pop_front();
    }

    if (client->SendMail())
        queue->m_Sink.WriteHint("标题:" + subject + "的邮件发送成功!");
    else
        queue->m_Sink.WriteHint("邮件发送失败!原因:" + client->GetError());

    client.reset();
    // Last: once the count is down the queue may be gone.
    DecrementBusyCount();
}
