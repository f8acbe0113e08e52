#include "app/CMainFrame.h"

#include "app/CAboutDlg.h"
#include "app/CUnlockDlg.h"
#include "app/ViewStack.h"
#include "controls/CHyperLink.h"
#include "controls/CMainView.h"
#include "controls/ResourceImages.h"
#include "exchange/CCalendarExportDlg.h"
#include "exchange/CCalendarSyncDlg.h"
#include "exchange/CalendarSyncScheduler.h"
#include "exchange/ExchangeCommands.h"
#include "exchange/VCardExchange.h"
#include "mail/CMailDlg.h"
#include "mail/CSettingDlg.h"
#include "mail/MailQueue.h"
#include "platform/BuiltInTune.h"
#include "platform/Clock.h"
#include "platform/MediaPlayer.h"
#include "platform/Prompter.h"
#include "reminders/CAnnivoView.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderCheck.h"
#include "settings/AppInfo.h"
#include "settings/Globals.h"
#include "storage/CAdoDatabase.h"
#include "update/CUpdateDlg.h"
#include "update/PackagedCopy.h"
#include "views/CAvAddressList.h"
#include "views/CAvCalendar.h"
#include "views/CFestivalDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QScreen>
#include <QThread>

#include <filesystem>
#include <system_error>
#include <thread>

namespace {

constexpr int kReminderInterval = 20'000; // ms

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

bool IsLocked() {
    return g_Setting.m_IsLock == 1;
}

void PostQuit(int exitCode) {
    QMetaObject::invokeMethod(
        qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

} // namespace

CMainFrame::CMainFrame(Prompter& prompter, const Clock& clock, QWidget* parent)
    : QMainWindow(parent), m_Prompter(prompter), m_Clock(clock),
      m_MailQueue(std::make_unique<MailQueue>(*this)),
      m_ReminderCheck(std::make_unique<ReminderCheck>(m_ReminderList, *m_MailQueue, *this,
                                                      m_Prompter, m_Clock)),
      m_Views(new ViewStack(this)), m_QuitHandler(PostQuit),
      m_LinkOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setWindowTitle(Q(kAppTitle));
    setWindowIcon(ResourceIcon(kIconProgram));
    setCentralWidget(m_Views);
    resize(760, 520);

    CreateToolBar();
    m_TrayIcon.Create(IsLocked() ? kIconLocked : kIconProgram);
    CreateMenus();
    connect(&m_TrayIcon, &CTrayIcon::Clicked, this, &CMainFrame::OnTrayClicked);
    // 查看 in a notification brings the window back as the tray icon does.
    connect(&m_Notifier, &DesktopNotifier::ViewRequested, this, &CMainFrame::OnTrayClicked);

    Command(kCmdAutostart)->setChecked(g_AutoStart == 1);
    if (g_AutoStart == 1 && g_StartedInProfileDir == 1)
        m_TrayIcon.ShowIcon();
    // The mark follows the view that start-up will show.
    const int shownView = ViewIdForActiveView(g_ActiveView);
    Command(kCmdReminderView)->setChecked(shownView == kViewReminderList);
    Command(kCmdCalendarView)->setChecked(shownView == kViewCalendar);
    Command(kCmdAddressView)->setChecked(shownView == kViewAddressBook);
    Command(kCmdRunOnce)->setChecked(g_RunOnce == 1);
    Command(kCmdAutoUpdate)->setChecked(g_AutoUpdate == 1);
    Command(kCmdDesktopNotify)->setChecked(g_DesktopNotify == 1);
    UpdateCommandStates();

    m_ReminderTimer.setInterval(kReminderInterval);
    connect(&m_ReminderTimer, &QTimer::timeout, this, &CMainFrame::OnReminderTimer);
    m_CalendarSync = std::make_unique<CalendarSyncScheduler>(
        m_Clock, [this](const std::string& hint) { WriteHint(hint); });

    SwitchView(kViewReminderList);
}

CMainFrame::~CMainFrame() {
    // Before the rest of the window goes: open pop-ups talk to their host.
    m_Popups.CloseAll();
}

void CMainFrame::RunCommand(int id) {
    switch (id) {
    case kCmdExit: close(); break;
    case kCmdReminderView: OnViewCommand(0); break;
    case kCmdCalendarView: OnViewCommand(1); break;
    case kCmdAddressView: OnViewCommand(2); break;
    case kCmdLock: Lock(); break;
    case kCmdUnlock: UnlockFromTray(); break;
    case kCmdShowWindow: ShowFromTray(); break;
    case kCmdAutostart:
        if (!ToggleAutostart())
            m_Prompter.Tell(AutostartFailureText());
        Command(kCmdAutostart)->setChecked(g_AutoStart == 1);
        break;
    case kCmdRunOnce:
    case kCmdAutoUpdate:
    case kCmdDesktopNotify: {
        std::string failure;
        const int now = id == kCmdRunOnce      ? ToggleRunOnce(failure)
                        : id == kCmdAutoUpdate ? ToggleAutoUpdate(failure)
                                               : ToggleDesktopNotify(failure);
        Command(id)->setChecked(now == 1);
        if (!failure.empty())
            m_Prompter.Tell(failure);
        break;
    }
    case kCmdFeedback: OpenLink(FeedbackUrl()); break;
    case kCmdHomePage: OpenLink(HomePageUrl()); break;
    case kCmdProgramList: OpenLink(ProgramListUrl()); break;
    case kCmdAbout: ShowAbout(); break;
    case kCmdOnlineUpdate: RunUpdateDialog(); break;
    case kCmdPersonalSettings: ShowSettings(); break;
    case kCmdFestivals: ShowFestivals(); break;
    case kCmdCalendarSync:
        // A calendar just set gets the list soon, without waiting for a change.
        if (RunCalendarSyncCommand(this, m_Prompter, m_Clock))
            m_CalendarSync->PeopleChanged();
        break;
    case kCmdSendMail: ShowMailComposer(); break;
    case kCmdNewReminder:
    case kCmdModify:
    case kCmdDelete:
    case kCmdEnable:
        if (auto* list = qobject_cast<CAnnivoView*>(ActiveView()))
            list->RunCommand(id);
        break;
    case kCmdExport: RunExportCommand(this, m_Prompter); break;
    case kCmdExportCalendar: RunCalendarExportCommand(this, m_Prompter, m_Clock); break;
    case kCmdImport:
        // New people show at once, without a restart, in every view.
        if (RunImportCommand(this, m_Prompter) > 0)
            PeopleChanged(nullptr);
        break;
    case kCmdImportVCard:
        if (RunVCardImport(m_Prompter))
            PeopleChanged(nullptr);
        break;
    default: break; // the windows of the other commands come with their own parts
    }
}

void CMainFrame::OnViewCommand(int activeView) {
    // A read-only settings file is often meant to be so: told once a run.
    if (const std::string failure = SetActiveView(activeView);
        !failure.empty() && !m_ViewChoiceFailureTold) {
        m_ViewChoiceFailureTold = true;
        m_Prompter.Tell(failure);
    }
    const int viewId = ViewIdForActiveView(activeView);
    Command(kCmdReminderView)->setChecked(viewId == kViewReminderList);
    Command(kCmdCalendarView)->setChecked(viewId == kViewCalendar);
    Command(kCmdAddressView)->setChecked(viewId == kViewAddressBook);
    SwitchView(viewId);
}

CMainView* CMainFrame::CreateView(int viewId) {
    if (viewId == kViewCalendar) {
        auto* calendar =
            new CAvCalendar(m_ReminderList, m_Clock, m_Prompter, g_ConnectionString, m_Views);
        calendar->HintLine()->SetPrompter(&m_Prompter);
        return calendar;
    }
    if (viewId == kViewAddressBook) {
        // A contact with 提醒 ticked is a reminder: the list reads them again.
        auto* book = new CAvAddressList(
            m_Prompter, [this] { PeopleChanged(View(kViewAddressBook)); }, m_Views);
        book->HintLine()->SetPrompter(&m_Prompter);
        return book;
    }
    const char* hint = nullptr;
    switch (viewId) {
    case kViewReminderList: hint = "生日提醒主界面，可以新增、修改、删除提醒。"; break;
    default: return nullptr;
    }
    CMainView* view = nullptr;
    if (viewId == kViewReminderList) {
        auto* list = new CAnnivoView(
            m_ReminderList, m_Clock, m_Prompter, [this] { StartReminderTimer(); }, m_Views);
        list->SetLinkOpener([this](const QUrl& url) { return m_LinkOpener && m_LinkOpener(url); });
        connect(list, &CAnnivoView::SelectionChanged, this, &CMainFrame::UpdateCommandStates);
        connect(list, &CAnnivoView::PeopleEdited, m_CalendarSync.get(),
                &CalendarSyncScheduler::PeopleChanged);
        view = list;
    } else {
        view = new CMainView(viewId, Q(hint), m_Views);
    }
    view->HintLine()->SetPrompter(&m_Prompter);
    return view;
}

void CMainFrame::PeopleChanged(CMainView* changedBy) {
    m_CalendarSync->PeopleChanged();
    LoadReminderList(m_ReminderList, m_Clock, m_Prompter);
    RefreshReminderList();
    // The views not yet created read the table when they are first shown.
    for (const int viewId : {kViewCalendar, kViewAddressBook})
        if (CMainView* view = View(viewId); view && view != changedBy)
            view->Refresh();
}

CMainView* CMainFrame::View(int viewId) const {
    for (int i = 0; i < m_Views->count(); ++i) {
        auto* view = static_cast<CMainView*>(m_Views->widget(i));
        if (view->ViewId() == viewId)
            return view;
    }
    return nullptr;
}

CMainView* CMainFrame::ActiveView() const {
    return static_cast<CMainView*>(m_Views->currentWidget());
}

void CMainFrame::SwitchView(int viewId) {
    CMainView* view = View(viewId);
    if (view == nullptr) {
        view = CreateView(viewId);
        if (view == nullptr)
            return;
        m_Views->addWidget(view);
    }
    m_Views->setCurrentWidget(view);
    UpdateCommandStates();
}

void CMainFrame::StartReminderTimer() {
    m_ReminderTimer.start();
}

void CMainFrame::OnReminderTimer() {
    CheckReminders();
    if (g_AutoUpdate != 0 && g_UpdateDlgOpen != 1) {
        StartUpdateCheck();
        g_AutoUpdate = 0; // once per run
    }
    QuitIfCheckOnceDone();
    if (const std::optional<std::string> hint = m_HintRotation.Next(m_HintTexts))
        ActiveView()->HintLine()->setText(QString::fromStdString(*hint));
    m_Popups.DropFinished();
}

void CMainFrame::CheckReminders() {
    m_ReminderCheck->CheckReminders();
}

// The automatic update check: raises g_BusyCount and starts the check thread,
// which lowers it when done.
void CMainFrame::StartUpdateCheck() {
    IncrementBusyCount();
    try {
        std::thread([this] { RunAutomaticUpdateCheck(*this); }).detach();
    } catch (const std::system_error&) {
        DecrementBusyCount();
    }
}

bool CMainFrame::OfferUpdate(const std::string& version) {
    bool updaterStarted = false;
    auto offer = [&] {
        const std::string question = "检测到Qilora生日提醒有新最版" + version + "是否更新？";
        if (m_Prompter.Ask(question, kAppTitle, PromptButtons::OkCancel, PromptIcon::Question) ==
            PromptAnswer::Ok)
            updaterStarted = RunUpdateDialog();
    };
    if (QThread::currentThread() == thread())
        offer();
    else
        QMetaObject::invokeMethod(this, offer, Qt::BlockingQueuedConnection);
    return updaterStarted;
}

bool CMainFrame::RunUpdateDialog() {
    if (IsPackagedCopy()) {
        m_Prompter.Tell(PackageManagerUpdatesText());
        return false;
    }
    CUpdateDlg dialog(m_Prompter);
    dialog.exec();
    if (!dialog.UpdaterStarted())
        return false;
    EndProgram(0);
    return true;
}

void CMainFrame::QuitIfCheckOnceDone() {
    if (CheckOnceMayQuit(g_RunOnce, IsOutOfSight(), BusyCount()))
        EndProgram(0);
}

void CMainFrame::EndProgram(int exitCode) {
    m_ReminderTimer.stop();
    m_TrayIcon.HideIcon();
    m_QuitHandler(exitCode);
}

void CMainFrame::SetQuitHandler(QuitHandler handler) {
    m_QuitHandler = handler ? std::move(handler) : PostQuit;
}

void CMainFrame::SetLinkOpener(LinkOpener opener) {
    m_LinkOpener = std::move(opener);
}

void CMainFrame::OpenLink(const std::string& address) {
    if (m_LinkOpener)
        m_LinkOpener(QUrl(QString::fromStdString(address)));
}

void CMainFrame::ShowAbout() {
    CAboutDlg about(this);
    about.Link()->SetPrompter(&m_Prompter);
    about.exec();
}

void CMainFrame::ShowSettings() {
    // Opened from the tray the window may be hidden: the dialog then stands alone.
    CSettingDlg settings(m_Prompter, isVisible() ? this : nullptr);
    settings.exec();
}

void CMainFrame::ShowFestivals() {
    CFestivalDlg festivals(m_Prompter, this);
    festivals.exec();
    // Festivals and switches may have changed; the calendar reads them afresh.
    if (CMainView* calendar = View(kViewCalendar))
        calendar->Refresh();
}

void CMainFrame::ShowMailComposer() {
    if (IsLocked())
        return;
    // The composer counts as busy while it is open; 发送 hands that on to the mail.
    CMailDlg composer(*m_MailQueue, m_Prompter, isVisible() ? this : nullptr);
    composer.exec();
}

void CMainFrame::AddHintText(const std::string& text) {
    if (QThread::currentThread() == thread()) {
        m_HintTexts.push_back(text);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, text] { m_HintTexts.push_back(text); }, Qt::QueuedConnection);
}

void CMainFrame::WriteHint(const std::string& text) {
    const QString hint = QString::fromStdString(text);
    if (QThread::currentThread() == thread()) {
        ActiveView()->HintLine()->setText(hint);
        return;
    }
    // Mail and update threads never touch a widget themselves.
    QMetaObject::invokeMethod(
        this, [this, hint] { ActiveView()->HintLine()->setText(hint); }, Qt::QueuedConnection);
}

void CMainFrame::PostToMainThread(std::function<void()> task) {
    // Queued even on the main thread: the caller may be half-way through its work.
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void CMainFrame::OfferReminderRows(std::shared_ptr<const std::vector<ShownReminder>> rows,
                                   const DateTime& madeAt) {
    if (auto* list = dynamic_cast<CAnnivoView*>(View(kViewReminderList)))
        list->OfferRows(std::move(rows), madeAt);
}

void CMainFrame::RefreshReminderList() {
    if (CMainView* list = View(kViewReminderList))
        list->Refresh();
}

void CMainFrame::OpenReminderPopup(const std::string& music, const std::string& heading,
                                   const std::string& message) {
    m_Popups.Open(music, heading, message, this);
    if (g_DesktopNotify == 1)
        m_Notifier.Notify(QString::fromStdString(heading), QString::fromStdString(message));
}

std::vector<CRemindPopupDlg*> CMainFrame::OpenPopups() const {
    return m_Popups.Shown();
}

void CMainFrame::KeepMusicPlaying(std::unique_ptr<MediaPlayer> player) {
    m_Popups.KeepPlaying(std::move(player));
}

void CMainFrame::StopAllMusic() {
    m_Popups.CloseAll();
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::current_path(error);
    if (!error)
        DeleteBuiltInTune(directory.string());
}

void CMainFrame::PopupClosed() {
    QuitIfCheckOnceDone();
}

bool CMainFrame::IsOutOfSight() const {
    return !isVisible() || isMinimized();
}

void CMainFrame::SendToTray() {
    m_TrayIcon.ShowIcon();
    if (CTrayIcon::IsAvailable())
        hide();
    else if (!isMinimized() || !isVisible())
        showMinimized();
}

void CMainFrame::ShowFromTray() {
    if (IsLocked())
        return;
    m_TrayIcon.HideIcon();
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::OnTrayClicked() {
    if (IsLocked() && !RunUnlockDialog())
        return;
    ShowFromTray();
}

void CMainFrame::Lock() {
    g_Setting.m_IsLock = 1;
    m_TrayIcon.Create(kIconLocked);
    UpdateCommandStates();
    if (isVisible() && !isMinimized())
        showMinimized();
    SendToTray();
}

void CMainFrame::UnlockFromTray() {
    if (!IsLocked())
        return;
    RunUnlockDialog();
    m_TrayIcon.ShowIcon();
}

bool CMainFrame::RunUnlockDialog() {
    if (m_UnlockOpen)
        return false; // already asking
    m_UnlockOpen = true;
    CUnlockDlg dialog(m_TrayIcon, m_Prompter);
    const bool unlocked = dialog.exec() == QDialog::Accepted;
    m_UnlockOpen = false;
    UpdateCommandStates();
    return unlocked;
}

void CMainFrame::CentreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized()) {
        // Minimising always goes to the notification area.
        m_TrayIcon.ShowIcon();
        // Later: showMinimized() makes the window visible after this event.
        if (CTrayIcon::IsAvailable())
            QTimer::singleShot(0, this, [this] {
                if (isMinimized())
                    hide();
            });
    } else if ((change->oldState() & Qt::WindowMinimized) && IsLocked() && isVisible()) {
        // Without a notification area a locked window waits minimised in the
        // task bar; bringing it back asks for the password as the icon would.
        // While the question is open, the window system may still report the
        // restore that led to it: the window just stays down, asked once.
        const bool asking = m_RestoreAsking;
        m_RestoreAsking = true;
        QTimer::singleShot(0, this, [this, asking] {
            if (IsLocked()) {
                showMinimized();
                if (!asking)
                    OnTrayClicked();
            }
            if (!asking)
                m_RestoreAsking = false;
        });
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram(0);
}
