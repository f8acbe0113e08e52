#include "exchange/ExchangeCommands.h"

#include "platform/Prompter.h"
#include "settings/AppInfo.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <climits>
#include <thread>

namespace {

// Work shorter than this ends without a dialog flashing up, unless it has
// so many rows that the user should see it counted.
constexpr int kShowProgressAfterMs = 300;
constexpr std::size_t kRowsWorthADialog = 5000;

// The work cannot be stopped halfway (an import is one transaction that
// would only be rolled back), so the dialog offers no way to close it.
class CExchangeProgressDlg : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;

protected:
    void reject() override {}
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

int Clamp(std::size_t value) {
    return value > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

void Report(Prompter& prompter, const ExchangeOutcome& outcome) {
    const bool good = outcome.result == ExchangeOutcome::Result::Done ||
                      outcome.result == ExchangeOutcome::Result::Nothing;
    prompter.Tell(outcome.message, kAppTitle, good ? PromptIcon::Information : PromptIcon::Warning);
}

} // namespace

ExchangeOutcome RunWithProgress(QWidget* parent, const QString& label, const ExchangeWork& work) {
    CExchangeProgressDlg dialog(parent);
    dialog.setWindowTitle(QString::fromUtf8(kAppTitle));
    dialog.setLabelText(label);
    dialog.setCancelButton(nullptr);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(INT_MAX); // shown by the timer below, not by its own guess
    dialog.setMinimumWidth(360);
    dialog.setRange(0, 0); // busy until the first report gives the total

    QEventLoop loop;
    std::atomic<bool> finished = false;
    QTimer::singleShot(kShowProgressAfterMs, &dialog, [&] {
        if (!finished)
            dialog.show();
    });
    ExchangeOutcome outcome;
    std::thread worker([&] {
        outcome = work([&dialog, &finished](std::size_t done, std::size_t total) {
            QMetaObject::invokeMethod(
                &dialog,
                [&dialog, &finished, done, total] {
                    dialog.setRange(0, Clamp(total));
                    dialog.setValue(Clamp(done));
                    if (total >= kRowsWorthADialog && !finished && !dialog.isVisible())
                        dialog.show();
                },
                Qt::QueuedConnection);
        });
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join(); // also when the application was asked to quit meanwhile
    return outcome;
}

void RunExportCommand(QWidget* parent, Prompter& prompter) {
    const std::string path = ChooseExportPath(prompter);
    if (path.empty())
        return;
    Report(prompter, RunWithProgress(parent, QString::fromUtf8("正在导出记录……"),
                                     [&path](const ExchangeProgress& progress) {
                                         return ExportTable(path, progress);
                                     }));
}

std::size_t RunImportCommand(QWidget* parent, Prompter& prompter) {
    const std::string path = ChooseImportPath(prompter);
    if (path.empty())
        return 0;
    const ExchangeOutcome outcome = RunWithProgress(
        parent, QString::fromUtf8("正在导入记录……"),
        [&path](const ExchangeProgress& progress) { return ImportTable(path, progress); });
    Report(prompter, outcome);
    return outcome.rows;
}
