#include "app/CAnnivoApp.h"

#include "app/CMainFrame.h"
#include "app/LoadSettings.h"
#include "app/Startup.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "reminders/LoadReminderList.h"
#include "settings/Globals.h"
#include "storage/CAdoDatabase.h"

#include <QApplication>
#include <QTimer>

#include <malloc.h>
#include <optional>
#include <thread>

CAnnivoApp::CAnnivoApp(Prompter& prompter, const Clock& clock)
    : m_Prompter(prompter), m_Clock(clock) {}

CAnnivoApp::~CAnnivoApp() {
    if (m_MainFrame)
        m_MainFrame->StopAllMusic();
    // Mail and update threads still running post to the window and use its
    // mail queue; at the end of the program it is safer to leave the window
    // to the process's end than to pull it from under them.
    if (BusyCount() > 0)
        (void)m_MainFrame.release();
}

bool CAnnivoApp::InitInstance() {
    // The program lives on in the notification area with no window open, and
    // ends only when the main window closes or a check-once run is done.
    QApplication::setQuitOnLastWindowClosed(false);

    CheckStartedInProfileDir();
    if (const std::optional<std::string> failure = EnterProgramDirectory()) {
        m_Prompter.Tell(*failure);
        return false;
    }
    // Start-up reads annivo.ini in several places (its own settings, the
    // first view's festival switches): one parse serves them all. The copy
    // is let go before the window appears.
    std::optional<SharedProfileReading> profileReadOnce;
    profileReadOnce.emplace();
    ReadStartupSettings();
    CheckAutostart(m_Prompter);
    LoadSettings(m_Prompter);

    // The people are read on a second thread while the window is being
    // made: with thousands of them the two take about as long as each other.
    // Nothing else touches the file meanwhile; a failure is told afterwards,
    // as the load would tell it.
    ReminderList people;
    std::optional<std::string> loadFailure;
    std::jthread reader([&people, &loadFailure, now = m_Clock.Now()] {
        loadFailure = ReadReminderList(people, now);
    });
    m_MainFrame = std::make_unique<CMainFrame>(m_Prompter, m_Clock);
    reader.join();
    m_MainFrame->Reminders() = std::move(people);
    if (loadFailure)
        m_Prompter.Tell(*loadFailure);
    m_MainFrame->RefreshReminderList();
    m_MainFrame->StartReminderTimer();
    switch (StartViewFor(g_ActiveView)) {
    case StartView::Calendar: m_MainFrame->SwitchView(kViewCalendar); break;
    case StartView::AddressBook: m_MainFrame->SwitchView(kViewAddressBook); break;
    case StartView::ReminderList: break;
    }
    m_MainFrame->CentreOnScreen();
    profileReadOnce.reset();

    switch (DecideFirstAppearance(g_AutoStart, g_StartedInProfileDir, g_Setting.m_IsLock)) {
    case FirstAppearance::ToTray: m_MainFrame->SendToTray(); break;
    case FirstAppearance::AskUnlock:
        if (m_MainFrame->RunUnlockDialog())
            m_MainFrame->show();
        else
            m_MainFrame->SendToTray();
        break;
    case FirstAppearance::ShowWindow: m_MainFrame->show(); break;
    }
    // The people are shown from a file that can only be read: said once,
    // here rather than by every load that found it so.
    if (const std::optional<std::string> notice = TakeReadOnlyNotice())
        m_Prompter.Tell(*notice);
    // Loading and listing every person leaves freed memory behind; once the
    // window is up it goes back to the system rather than stay resident for
    // the days the program runs.
    QTimer::singleShot(0, [] { malloc_trim(0); });
    return true;
}
