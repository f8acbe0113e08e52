#pragma once
// A ReminderSink that records what the engine and the mail threads asked for.

#include "app/Globals.h"
#include "reminders/ReminderSink.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

class RecordingSink final : public ReminderSink {
public:
    struct Popup {
        std::string music;
        std::string heading;
        std::string message;
        bool operator==(const Popup&) const = default;
        friend void PrintTo(const Popup& popup, std::ostream* out) {
            *out << popup.music << " | " << popup.heading << " | " << popup.message;
        }
    };

    std::vector<Popup> popups;
    int refreshes = 0;

    void OpenReminderPopup(const std::string& music, const std::string& heading,
                           const std::string& message) override {
        popups.push_back({music, heading, message});
    }
    void RefreshReminderList() override { ++refreshes; }
    void WriteHint(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Hints.push_back(text);
        m_Changed.notify_all();
    }

    // The pop-ups the user closes: each gives back its busy count.
    void CloseAllPopups() {
        for (std::size_t i = 0; i < popups.size(); ++i)
            DecrementBusyCount();
        popups.clear();
    }

    std::vector<std::string> Hints() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Hints;
    }

    // Waits until `count` hints arrived and g_BusyCount is back to `busy`
    // (false after 30 s).
    bool WaitForMailThreads(std::size_t count, int busy = 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::unique_lock<std::mutex> lock(m_Mutex);
        while (m_Hints.size() < count || BusyCount() != busy) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            m_Changed.wait_for(lock, std::chrono::milliseconds(10));
        }
        return true;
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<std::string> m_Hints;
};
