#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Log-out, shutdown and Ctrl+C end the program through its normal exit
// rather than killing it, so a playing tune's file is removed and nothing is
// left half-written. The signal handler only writes to a pipe; the event loop
// reads it and runs `quit`.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitOnSignal() override;

    // True once SIGTERM or SIGINT has arrived.
    bool Requested() const { return m_Requested; }

private:
    static void Handle(int signal);
    void OnSignal();

    std::function<void()> m_Quit;
    QSocketNotifier* m_Notifier = nullptr;
    bool m_Requested = false;
};
