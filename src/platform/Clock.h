#pragma once
// Where "now" comes from. Production code asks a Clock; tests hand in a fixed one.

#include "platform/DateTime.h"

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime Now() const = 0; // local time
};

// The machine's local time.
class SystemClock final : public Clock {
public:
    DateTime Now() const override;
};

// The process-wide clock the program runs on (a SystemClock).
const Clock& DefaultClock();
