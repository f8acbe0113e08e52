#include "app/QuitOnSignal.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_SignalPipe[2] = {-1, -1};

} // namespace

QuitOnSignal::QuitOnSignal(std::function<void()> quit, QObject* parent)
    : QObject(parent), m_Quit(std::move(quit)) {
    if (g_SignalPipe[0] < 0 && pipe2(g_SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_Notifier = new QSocketNotifier(g_SignalPipe[0], QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, &QuitOnSignal::OnSignal);
    struct sigaction action = {};
    action.sa_handler = &QuitOnSignal::Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

void QuitOnSignal::Handle(int) {
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already holds a request.
    [[maybe_unused]] const ssize_t written = write(g_SignalPipe[1], &byte, 1);
}

void QuitOnSignal::OnSignal() {
    char bytes[16];
    while (read(g_SignalPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (m_Requested)
        return;
    m_Requested = true;
    if (m_Quit)
        m_Quit();
}
