#include "app/CAnnivoApp.h"
#include "app/CMainFrame.h"
#include "app/CommandLine.h"
#include "app/QtTranslations.h"
#include "app/QuitOnSignal.h"
#include "app/StartupReading.h"
#include "platform/Clock.h"
#include "platform/QtPrompter.h"

#include <QApplication>

#include <memory>
#include <optional>
#include <utility>

int main(int argc, char* argv[]) {
    // Arguments ask for a command run without a window, or for help.
    if (const std::optional<int> exitCode = RunCommandLine(argc, argv))
        return *exitCode;
    // The people are read while Qt starts and the window is made.
    auto reading = std::make_unique<StartupReading>(DefaultClock());
    QApplication application(argc, argv);
    // The launcher's name: Wayland desktops find the icon and group windows by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.qilora.Annivo"));
    InstallQtChineseTranslations();
    QtPrompter prompter;
    CAnnivoApp annivo(prompter, DefaultClock(), std::move(reading));
    // Closing the main window is the program's one way out; before it exists
    // (or while start-up asks for the password) quitting the loops does.
    QuitOnSignal quitOnSignal([&annivo] {
        if (CMainFrame* frame = annivo.MainFrame())
            frame->RunCommand(kCmdExit);
        else
            QCoreApplication::quit();
    });
    if (!annivo.InitInstance())
        return 1;
    if (quitOnSignal.Requested())
        return 0;
    return application.exec();
}
