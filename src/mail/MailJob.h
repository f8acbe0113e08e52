#pragma once

#include <string>

// One mail waiting in the outgoing queue.
struct MailJob {
    std::string subject;
    std::string recipient;
    std::string body;
};
