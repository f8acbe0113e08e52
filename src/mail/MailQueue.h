#pragma once
// The outgoing mail queue. Every job gets its own detached sender thread,
// which delivers the job at the head through the job's sender account and
// reports the outcome in the hint line.

#include "mail/CSmtpClient.h"
#include "mail/MailJob.h"

#include <deque>

class ReminderSink;

class MailQueue {
public:
    // `port` is the SMTP port of a server field that names none (25 in the program).
    explicit MailQueue(ReminderSink& sink, unsigned int port = kSmtpPort);
    MailQueue(const MailQueue&) = delete;
    MailQueue& operator=(const MailQueue&) = delete;

    // Raises g_BusyCount, appends the job and starts a sender thread, which
    // lowers the count when it is done. The queue must outlive its threads:
    // it does once g_BusyCount has come back down.
    void Enqueue(MailJob job);

private:
    static void SenderThread(MailQueue* queue);

    ReminderSink& m_Sink;
    unsigned int m_Port;
    std::deque<MailJob> m_Jobs; // guarded by g_MailQueueMutex
};
