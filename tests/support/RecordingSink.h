#pragma once
// A ReminderSink that records what the engine and the mail threads asked for.

#include "mail/ReminderSink.h"
#include "settings/Globals.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RecordingSink final : public ReminderSink {
public:
    std::vector<std::string> popups; // "music | heading | message"
    int refreshes = 0;

    void OpenReminderPopup(const std::string& music, const std::string& heading,
                           const std::string& message) override {
        popups.push_back(music + " | " + heading + " | " + message);
    }
    void RefreshReminderList() override { ++refreshes; }
    void WriteHint(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Hints.push_back(text);
    }

    // Tasks for the main thread wait until the test runs them.
    void PostToMainThread(std::function<void()> task) override {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Posted.push_back(std::move(task));
    }
    // Waits until `count` tasks are waiting (false after 30 s).
    bool WaitForPosted(std::size_t count) {
        for (int i = 0; i < 3000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            std::lock_guard<std::mutex> lock(m_Mutex);
            if (m_Posted.size() >= count)
                return true;
        }
        return false;
    }
    // Runs the waiting tasks on the calling thread, the test's main thread.
    void RunPosted() {
        std::vector<std::function<void()>> tasks;
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            tasks.swap(m_Posted);
        }
        for (const std::function<void()>& task : tasks)
            task();
    }
    // Tasks that never run, as when the window is gone.
    void DropPosted() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Posted.clear();
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

    // Waits until `count` hints arrived and g_BusyCount is `busy` (false after 30 s).
    bool WaitForMailThreads(std::size_t count, int busy) {
        for (int i = 0; i < 3000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            if (Hints().size() >= count && BusyCount() == busy)
                return true;
        return false;
    }

private:
    std::mutex m_Mutex;
    std::vector<std::string> m_Hints;
    std::vector<std::function<void()>> m_Posted;
};
