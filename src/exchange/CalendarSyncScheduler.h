#pragma once
// Keeps the configured calendar in step while the program runs: a publish a
// minute after the list changed (changes in that minute go along) and one a
// day. Each runs on a worker thread; its outcome comes back to the GUI
// thread as a hint line. Only with a calendar set and its password in the
// secret store: the program never asks for the password unasked.

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <thread>

class Clock;

class CalendarSyncScheduler : public QObject {
    Q_OBJECT

public:
    // `clock` outlives the scheduler; `hint` shows a line on the GUI thread.
    CalendarSyncScheduler(const Clock& clock, std::function<void(const std::string&)> hint,
                          QObject* parent = nullptr);
    // Waits for a publish under way (its requests have time-outs).
    ~CalendarSyncScheduler() override;

    // The list changed: a publish within a minute.
    void PeopleChanged();
    // What both timers start; one publish at a time, another right after it
    // when asked for meanwhile.
    void PublishSoon();

    QTimer& ChangeTimer() { return m_ChangeTimer; }
    QTimer& DailyTimer() { return m_DailyTimer; }
    bool Publishing() const { return m_Running; }

signals:
    // A publish ended (or could not start); `hint` is what the hint line got.
    void Finished(const QString& hint);

private:
    void Report(const std::string& hint);
    void Join();

    const Clock& m_Clock;
    std::function<void(const std::string&)> m_Hint;
    QTimer m_ChangeTimer;
    QTimer m_DailyTimer;
    std::thread m_Worker;
    bool m_Running = false;
    bool m_Again = false;
};
