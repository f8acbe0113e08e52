#include "update/CUpdateDlg.h"

#include "controls/CImageButton.h"
#include "controls/ResourceImages.h"
#include "platform/ProgramDirectory.h"
#include "platform/Prompter.h"
#include "settings/Globals.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>
#include <thread>

namespace {

enum Column { kDownloadName, kSaveName, kFileName, kSize, kDownloadState, kColumns };

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

bool LaunchUpdater() {
    const std::filesystem::path updater =
        std::filesystem::path(ExecutablePath()).parent_path() / "annivo-update";
    return QProcess::startDetached(Q(updater.string()), {"-r"}, Q(ProgramDirectory().string()));
}

CUpdateDlg::UpdaterLauncher& Launcher() {
    static CUpdateDlg::UpdaterLauncher launcher = LaunchUpdater;
    return launcher;
}

// Runs `work` on a detached thread; false when no thread could be made.
bool StartWorker(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

class PostingObserver final : public DownloadObserver {
public:
    explicit PostingObserver(std::shared_ptr<CUpdateDlg::Session> session)
        : m_Session(std::move(session)) {}
    void Status(const std::string& text) override;
    void FileBegun(std::size_t row, std::int64_t length) override;
    void Progress(std::size_t row, std::int64_t received, std::int64_t length) override;

private:
    std::shared_ptr<CUpdateDlg::Session> m_Session;
};

} // namespace

void CUpdateDlg::Session::Post(std::function<void(CUpdateDlg&)> step) {
    std::lock_guard<std::mutex> lock(mutex);
    if (dialog == nullptr)
        return;
    CUpdateDlg* target = dialog;
    // Queued on the window: dropped with it if it closes before it runs.
    QMetaObject::invokeMethod(
        target, [target, step = std::move(step)] { step(*target); }, Qt::QueuedConnection);
}

void PostingObserver::Status(const std::string& text) {
    m_Session->Post([text](CUpdateDlg& dialog) { dialog.StatusLine()->setText(Q(text)); });
}

CUpdateDlg::CUpdateDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_Prompter(prompter), m_Session(std::make_shared<Session>()) {
    setWindowTitle(QString::fromUtf8("在线更新"));
    setWindowIcon(ResourceIcon(kIconProgram));

    m_Status = new QLabel(this);
    m_Status->setWordWrap(true);
    m_Status->setMinimumHeight(m_Status->fontMetrics().lineSpacing() * 2);
    m_Status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_List = new QTableWidget(0, kColumns, this);
    m_List->setHorizontalHeaderLabels({QString::fromUtf8("下载文件名"), QString::fromUtf8("保存名"),
                                       QString::fromUtf8("文件名"), QString::fromUtf8("大小"),
                                       QString::fromUtf8("下载状态")});
    m_List->setColumnHidden(kDownloadName, true);
    m_List->setColumnHidden(kSaveName, true);
    m_List->setColumnWidth(kFileName, 100);
    m_List->setColumnWidth(kSize, 60);
    m_List->setColumnWidth(kDownloadState, 70);
    m_List->horizontalHeader()->setStretchLastSection(true);
    m_List->verticalHeader()->hide();
    m_List->setShowGrid(true);
    m_List->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_List->setSelectionMode(QAbstractItemView::SingleSelection);
    m_List->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_Progress = new QProgressBar(this);
    m_Progress->setRange(0, 100);
    m_Progress->setValue(0);
    m_Progress->setTextVisible(false);

    m_Ok = new CImageButton(QString::fromUtf8("确定"), this);
    m_Ok->SetImage(kBitmapConfirm, 18, 18, 3);
    m_Ok->setDefault(true);
    m_Exit = new CImageButton(QString::fromUtf8("退出"), this);
    m_Exit->SetImage(kBitmapExit, 18, 18, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_Ok);
    buttons->addWidget(m_Exit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_Status);
    layout->addWidget(m_List, 1);
    layout->addWidget(m_Progress);
    layout->addLayout(buttons);
    resize(380, 290);

    connect(m_Ok, &QPushButton::clicked, this, &CUpdateDlg::OnOk);
    connect(m_Exit, &QPushButton::clicked, this, &CUpdateDlg::OnExit);

    m_Session->dialog = this;
    g_UpdateDlgOpen = 1;
    StartCheck();
}

CUpdateDlg::~CUpdateDlg() {
    std::lock_guard<std::mutex> lock(m_Session->mutex);
    m_Session->dialog = nullptr;
    m_Session->state = kIdle; // a worker still running stops at its next block
    g_UpdateDlgOpen = 0;
}

void CUpdateDlg::OverrideUpdaterLauncher(UpdaterLauncher launcher) {
    Launcher() = launcher ? std::move(launcher) : LaunchUpdater;
}

int CUpdateDlg::State() const {
    return m_Session->state;
}

void CUpdateDlg::Tell(const std::string& text) {
    m_Prompter.Tell(text);
}

void CUpdateDlg::StartCheck() {
    m_Ok->setEnabled(false);
    m_Status->setText(QString::fromUtf8("正在检查版本......"));
    // Set here, not on the worker, so that an early 退出 is not overwritten.
    m_Session->state = kWorking;
    std::shared_ptr<Session> session = m_Session;
    const bool started = StartWorker([session] {
        const VersionCheck check =
            CheckForUpdate(ReadUpdateSettings(), [session] { return session->state == kIdle; });
        session->Post([check](CUpdateDlg& dialog) { dialog.CheckFinished(check); });
    });
    if (!started) {
        m_Session->state = kIdle;
        m_Status->setText(QString::fromUtf8("无法开始检查版本，请稍后再试。"));
    }
}

void CUpdateDlg::CheckFinished(const VersionCheck& check) {
    m_Session->state = kIdle;
    switch (check.kind) {
    case VersionCheck::Stopped:
        m_Status->setText(QString::fromUtf8("检查版本时被用户取消！"));
        break;
    case VersionCheck::Failed:
    case VersionCheck::Refused:
        m_Status->setText(Q(check.message));
        Tell(check.message);
        break;
    case VersionCheck::UpToDate:
        Tell("当前已是最新的版本，无须更新");
        m_Status->setText(QString::fromUtf8("此版本已是最新版，无须更新!"));
        break;
    case VersionCheck::Offered:
        m_Files = check.description.files;
        m_DirectoryUrl = check.directoryUrl;
        m_List->setRowCount(static_cast<int>(m_Files.size()));
        for (std::size_t i = 0; i < m_Files.size(); ++i) {
            const UpdateFile& file = m_Files[i];
            const std::string cells[kColumns] = {file.downloadName, file.saveName, file.replaceName,
                                                 file.sizeText, ""};
            for (int column = 0; column < kColumns; ++column)
                m_List->setItem(static_cast<int>(i), column,
                                new QTableWidgetItem(Q(cells[column])));
        }
        m_Status->setText(QString::fromUtf8("下表是最新版须更新的文件："));
        m_Ok->setEnabled(true);
        m_Ok->setFocus();
        break;
    }
}

void CUpdateDlg::StartDownload() {
    m_Ok->setEnabled(false);
    m_Session->state = kWorking;
    for (int row = 0; row < m_List->rowCount(); ++row)
        m_List->item(row, kDownloadState)->setText(QString());
    std::shared_ptr<Session> session = m_Session;
    const bool started = StartWorker([session, files = m_Files, url = m_DirectoryUrl] {
        PostingObserver observer(session);
        const DownloadResult result = DownloadUpdateFiles(
            url, files, observer, [session] { return session->state == kIdle; });
        session->Post([result](CUpdateDlg& dialog) { dialog.DownloadFinished(result); });
    });
    if (!started) {
        m_Session->state = kIdle;
        m_Ok->setEnabled(true);
        m_Status->setText(QString::fromUtf8("无法开始下载，请稍后再试。"));
    }
}

void PostingObserver::FileBegun(std::size_t row, std::int64_t length) {
    m_Session->Post([row, length](CUpdateDlg& dialog) { dialog.FileBegun(row, length); });
}

void PostingObserver::Progress(std::size_t row, std::int64_t received, std::int64_t length) {
    m_Session->Post([row, received, length](CUpdateDlg& dialog) {
        dialog.ShowProgress(row, received, length);
    });
}

void CUpdateDlg::FileBegun(std::size_t row, std::int64_t length) {
    // Without a length there is nothing to measure against: the bar just moves.
    m_Progress->setRange(0, length > 0 ? 100 : 0);
    m_Progress->setValue(0);
    m_List->selectRow(static_cast<int>(row));
}

void CUpdateDlg::ShowProgress(std::size_t row, std::int64_t received, std::int64_t length) {
    if (QTableWidgetItem* cell = m_List->item(static_cast<int>(row), kDownloadState))
        cell->setText(Q(ProgressText(received, length)));
    if (length > 0)
        m_Progress->setValue(
            static_cast<int>(std::min<std::int64_t>(received * 100 / length, 100)));
}

void CUpdateDlg::DownloadFinished(const DownloadResult& result) {
    m_Progress->setRange(0, 100);
    switch (result.outcome) {
    case StepOutcome::Done:
        m_Progress->setValue(100);
        m_List->clearSelection();
        m_Status->setText(QString::fromUtf8("下载完成！请点击“确定升级”进行升级"));
        m_Ok->setText(QString::fromUtf8("确定升级"));
        m_Session->state = kDownloaded;
        break;
    case StepOutcome::Stopped:
        m_Session->state = kIdle;
        m_Status->setText(QString::fromUtf8("下载时已被用户取消！"));
        break;
    case StepOutcome::Failed:
        m_Session->state = kIdle;
        m_Status->setText(Q(result.message));
        Tell(result.message);
        break;
    }
    m_Ok->setEnabled(true);
    m_Ok->setFocus();
}

void CUpdateDlg::OnOk() {
    if (State() == kWorking)
        return;
    if (State() != kDownloaded) {
        StartDownload();
        return;
    }
    if (!Launcher()()) {
        Tell("无法启动升级程序 annivo-update，请确认它在程序目录中。");
        return;
    }
    m_UpdaterStarted = true;
    QDialog::accept();
}

void CUpdateDlg::OnExit() {
    if (State() == kWorking) {
        m_Session->state = kIdle; // the worker stops after its current block
        return;
    }
    g_UpdateDlgOpen = 0;
    QDialog::reject();
}

void CUpdateDlg::reject() {
    OnExit();
}
