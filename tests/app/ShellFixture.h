#pragma once
// Shared by the shell's window tests: each test gets its own program
// directory (also the working directory), home and configuration directory,
// fresh process-wide state, and a frame that records instead of quitting.

#include "app/CMainFrame.h"
#include "app/CUnlockDlg.h"
#include "controls/CImageButton.h"
#include "platform/ProgramDirectory.h"
#include "settings/Globals.h"

#include "FixedClock.h"
#include "ModalAnswer.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestFiles.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

class ShellTest : public ::testing::Test {
protected:
    ShellTest() : m_SavedDirectory(std::filesystem::current_path()) {
        std::filesystem::current_path(program.Path());
        ResetGlobals();
        CTrayIcon::OverrideAvailability(true);
    }
    ~ShellTest() override {
        frame.reset();
        CTrayIcon::OverrideAvailability(std::nullopt);
        EXPECT_EQ(BusyCount(), 0) << "something was left counted as busy";
        SetBusy(0);
        ResetGlobals();
        std::filesystem::current_path(m_SavedDirectory);
    }

    static void ResetGlobals() {
        g_Setting = SettingRecord();
        g_StartedInProfileDir = g_AutoStart = g_RunOnce = g_AutoUpdate = g_ActiveView = 0;
        g_UpdateDlgOpen = 0;
        g_ExePath = ExecutablePath();
        g_UrlPath = "http://example.test/";
        g_DesktopNotify = 0; // never onto the desktop of whoever runs the tests
    }
    static void SetBusy(int count) {
        std::lock_guard lock(g_BusyMutex);
        g_BusyCount = count;
    }

    CMainFrame& MakeFrame(bool show = true) {
        frame = std::make_unique<CMainFrame>(prompter, clock);
        frame->SetQuitHandler([this](int code) { quits.push_back(code); });
        frame->SetLinkOpener([](const QUrl&) { return true; }); // never the desktop's browser
        if (show)
            frame->show();
        return *frame;
    }

    std::string Ini() const { return ReadBytes(program.Path() / "annivo.ini"); }

    // Answers the next unlock dialog: tries each password in turn, then
    // cancels unless one of them unlocked.
    void AnswerUnlock(std::vector<std::string> passwords) {
        AnswerModal<CUnlockDlg>(
            [this, passwords](CUnlockDlg& dialog) {
                ++unlockDialogs;
                busyWhileAsking = BusyCount();
                for (const std::string& password : passwords)
                    if (dialog.isVisible()) {
                        dialog.PasswordField()->clear();
                        QTest::keyClicks(dialog.PasswordField(), QString::fromStdString(password));
                        QTest::mouseClick(dialog.UnlockButton(), Qt::LeftButton);
                    }
            },
            &m_TimerContext);
    }

    const TempDir program, home, config;
    const ScopedEnv programEnv{"ANNIVO_HOME", program.Path().string()};
    const ScopedEnv homeEnv{"HOME", home.Path().string()};
    const ScopedEnv profileEnv{"USERPROFILE", std::nullopt};
    const ScopedEnv configEnv{"XDG_CONFIG_HOME", config.Path().string()};
    ScriptedPrompter prompter;
    FixedClock clock{DateTime(2011, 9, 9, 8, 0, 0)};
    std::unique_ptr<CMainFrame> frame;
    std::vector<int> quits;
    QObject m_TimerContext;
    int unlockDialogs = 0;
    int busyWhileAsking = -1;

private:
    std::filesystem::path m_SavedDirectory;
};
