// The yardstick for the start-up benchmark: a bare Qt window of the main
// window's shape (menu bar, toolbar, a table of reminders), nothing loaded.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    const QStringList menus = {QStringLiteral("File"), QStringLiteral("Edit"),
                               QStringLiteral("View"), QStringLiteral("Help")};
    QToolBar* toolBar = window.addToolBar(QStringLiteral("Tools"));
    for (const QString& title : menus) {
        QMenu* menu = window.menuBar()->addMenu(title);
        for (int i = 0; i < 4; ++i) {
            QAction* action = menu->addAction(QStringLiteral("%1 %2").arg(title).arg(i));
            if (i == 0)
                toolBar->addAction(action);
        }
    }
    auto* table = new QTableWidget(0, 8, &window);
    table->horizontalHeader()->setStretchLastSection(true);
    window.setCentralWidget(table);
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.resize(760, 480);
    window.show();
    return application.exec();
}
