#include "app/CAnnivoApp.h"

#include "app/CMainFrame.h"
#include "app/LoadSettings.h"
#include "app/Startup.h"
#include "app/StartupReading.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "settings/Globals.h"
#include "storage/CAdoDatabase.h"

#include <QApplication>
#include <QTimer>

#include <malloc.h>
#include <memory>
#include <optional>
#include <utility>

CAnnivoApp::CAnnivoApp(Prompter& prompter, const Clock& clock,
                       std::unique_ptr<StartupReading> reading)
    : m_Prompter(prompter), m_Clock(clock), m_Reading(std::move(reading)) {}

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

    if (!m_Reading)
        m_Reading = std::make_unique<StartupReading>(m_Clock);
    m_Reading->WaitForFonts();
    if (const std::optional<std::string>& failure = m_Reading->EnterFailure()) {
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

    // The people are being read meanwhile (StartupReading); the window's
    // thread only shows them. A failure is told now, as the load tells it.
    m_MainFrame = std::make_unique<CMainFrame>(m_Prompter, m_Clock);
    StartupReading::People people = m_Reading->Take();
    m_MainFrame->Reminders() = std::move(people.list);
    if (people.failure)
        m_Prompter.Tell(*people.failure);
    m_MainFrame->RefreshReminderList();
    m_MainFrame->OfferReminderRows(std::move(people.rows), people.readAt);
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
