#pragma once

#include "update/UpdateCheck.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class CImageButton;
class Prompter;
class QLabel;
class QProgressBar;
class QTableWidget;

// 在线更新: checks the server's version as it opens, lists the files of a
// newer one, downloads them with progress and hands over to annivo-update.
// The check and the download run on worker threads, which only post to this
// window; 退出 during either asks them to stop after the current block.
class CUpdateDlg : public QDialog {
    Q_OBJECT
public:
    // Values of State(): a worker runs; idle (or, while a worker still
    // runs, a stop was asked for); every file downloaded.
    enum { kWorking = 0, kIdle = 1, kDownloaded = 2 };

    // Starts the version check at once.
    explicit CUpdateDlg(Prompter& prompter, QWidget* parent = nullptr);
    ~CUpdateDlg() override;

    int State() const;
    // True once 确定升级 has started annivo-update: the program must end.
    bool UpdaterStarted() const { return m_UpdaterStarted; }

    QLabel* StatusLine() const { return m_Status; }
    QTableWidget* FileList() const { return m_List; }
    QProgressBar* ProgressBar() const { return m_Progress; }
    CImageButton* OkButton() const { return m_Ok; }
    CImageButton* ExitButton() const { return m_Exit; }

    // Starts annivo-update -r beside the program; tests replace it.
    using UpdaterLauncher = std::function<bool()>;
    static void OverrideUpdaterLauncher(UpdaterLauncher launcher);

    // Esc and the close box act as 退出.
    void reject() override;

    // Posted by the download worker.
    void FileBegun(std::size_t row, std::int64_t length);
    void ShowProgress(std::size_t row, std::int64_t received, std::int64_t length);

    // Shared with the workers, which may outlive the window.
    struct Session {
        std::atomic<int> state{kIdle};
        std::mutex mutex;
        CUpdateDlg* dialog = nullptr; // under `mutex`; null once the window is gone
        // Runs `step` on the window's thread, if the window is still there.
        void Post(std::function<void(CUpdateDlg&)> step);
    };

private:
    void StartCheck();
    void StartDownload();
    void OnOk();
    void OnExit();
    void CheckFinished(const VersionCheck& check);
    void DownloadFinished(const DownloadResult& result);
    void Tell(const std::string& text);

    Prompter& m_Prompter;
    std::shared_ptr<Session> m_Session;
    std::vector<UpdateFile> m_Files;
    std::string m_DirectoryUrl;
    bool m_UpdaterStarted = false;
    QLabel* m_Status;
    QTableWidget* m_List;
    QProgressBar* m_Progress;
    CImageButton* m_Ok;
    CImageButton* m_Exit;
};
