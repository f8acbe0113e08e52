#include "app/CAnnivoApp.h"
#include "platform/Clock.h"
#include "platform/QtPrompter.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QtPrompter prompter;
    CAnnivoApp annivo(prompter, DefaultClock());
    if (!annivo.InitInstance())
        return 1;
    return application.exec();
}
