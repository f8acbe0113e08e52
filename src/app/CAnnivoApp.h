#pragma once

#include "app/StartupReading.h"

#include <memory>

class CMainFrame;
class Clock;
class Prompter;

// The program's start: settings, autostart check, the main window with its
// reminders and timer, and how the window first appears. Needs a running
// QApplication.
class CAnnivoApp {
public:
    // Both outlive the application object. `reading`, begun before Qt
    // started, is the start's first part; without one InitInstance begins it.
    CAnnivoApp(Prompter& prompter, const Clock& clock,
               std::unique_ptr<StartupReading> reading = nullptr);
    ~CAnnivoApp();

    // False when the program cannot start; it then ends.
    bool InitInstance();

    CMainFrame* MainFrame() const { return m_MainFrame.get(); }

private:
    Prompter& m_Prompter;
    const Clock& m_Clock;
    // Kept to the end: its thread, done before the window shows, is joined
    // then and not while the window waits.
    std::unique_ptr<StartupReading> m_Reading;
    std::unique_ptr<CMainFrame> m_MainFrame;
};
