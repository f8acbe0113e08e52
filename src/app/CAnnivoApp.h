#pragma once

#include <memory>

class CMainFrame;
class Clock;
class Prompter;

// The program's start: settings, autostart check, the main window with its
// reminders and timer, and how the window first appears. Needs a running
// QApplication.
class CAnnivoApp {
public:
    // Both outlive the application object.
    CAnnivoApp(Prompter& prompter, const Clock& clock);
    ~CAnnivoApp();

    // False when the program cannot start; it then ends.
    bool InitInstance();

    CMainFrame* MainFrame() const { return m_MainFrame.get(); }

private:
    Prompter& m_Prompter;
    const Clock& m_Clock;
    std::unique_ptr<CMainFrame> m_MainFrame;
};
