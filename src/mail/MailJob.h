#pragma once

#include <functional>
#include <string>

// The account a mail goes out through, copied from the settings when the
// mail is queued: sender threads never read the settings, which the
// settings dialog may be rewriting at that moment.
struct SenderAccount {
    std::string email;
    std::string server; // "host" or "host:port"
    std::string userName;
    std::string password;
};

// One mail waiting in the outgoing queue.
struct MailJob {
    std::string subject;
    std::string recipient;
    std::string body;
    SenderAccount sender;
    // Set for a mail the user wrote, so that it is not lost when it cannot be
    // sent: run on the main thread with the failure's hint, it keeps the mail
    // and returns the hint to show instead.
    std::function<std::string(const std::string& failure)> keepUnsent = {};
};
