#pragma once

#include "platform/Clock.h"

// A clock that says whatever the test sets.
class FixedClock final : public Clock {
public:
    explicit FixedClock(DateTime now) : m_Now(now) {}
    DateTime Now() const override { return m_Now; }
    void Set(DateTime now) { m_Now = now; }

private:
    DateTime m_Now;
};
