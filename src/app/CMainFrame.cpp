#include "app/CMainFrame.h"

#include "app/AppInfo.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QString::fromUtf8(kAppTitle));
    resize(800, 560);
}
