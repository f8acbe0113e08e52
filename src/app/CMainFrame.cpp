#include "app/CMainFrame.h"

#include "settings/AppInfo.h"
#include "app/CAboutDlg.h"
#include "controls/CMainView.h"
#include "app/CUnlockDlg.h"
#include "settings/Globals.h"
#include "controls/CColorToolBar.h"
#include "controls/CHyperLink.h"
#include "controls/ResourceImages.h"
#include "exchange/ExchangeCommands.h"
#include "mail/CMailDlg.h"
#include "mail/CSettingDlg.h"
#include "mail/MailQueue.h"
#include "platform/BuiltInTune.h"
#include "platform/Clock.h"
#include "platform/MediaPlayer.h"
#include "platform/Prompter.h"
#include "storage/CAdoDatabase.h"
#include "reminders/CAnnivoView.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderCheck.h"
#include "update/CUpdateDlg.h"
#include "views/CAvAddressList.h"
#include "views/CAvCalendar.h"
#include "views/CFestivalDlg.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStackedWidget>
#include <QThread>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

constexpr int kReminderInterval = 20'000; // ms

// The views one above the other. It asks for at least the room the largest
// view needs, the address book with its fourteen fields and row of six
// buttons, before that view is first shown: the window's smallest size shows
// every view whole and stays the same whichever view is shown.
class ViewStack : public QStackedWidget {
public:
    explicit ViewStack(QWidget* parent) : QStackedWidget(parent) {}
    QSize minimumSizeHint() const override {
        const QFontMetrics metrics = fontMetrics();
        const QSize room(metrics.horizontalAdvance(QString(58, QChar(0x4E00))),
                         metrics.lineSpacing() * 31);
        return QStackedWidget::minimumSizeHint().expandedTo(room);
    }
};

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
    UpdateCommandStates();

    m_ReminderTimer.setInterval(kReminderInterval);
    connect(&m_ReminderTimer, &QTimer::timeout, this, &CMainFrame::OnReminderTimer);

    SwitchView(kViewReminderList);
}

CMainFrame::~CMainFrame() {
    // Pop-ups still open count themselves out without calling back.
    for (const QPointer<CRemindPopupDlg>& popup : m_Popups)
        delete popup.data();
}

void CMainFrame::CreateToolBar() {
    m_ToolBar = new CColorToolBar(this);
    m_ToolBar->setObjectName("toolbar");
    m_ToolBar->setWindowTitle(Q("工具栏"));
    m_ToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, m_ToolBar);
    const struct {
        int id;
        const char* tip;
    } buttons[] = {{kCmdReminderView, "生日提醒"},
                   {kCmdCalendarView, "日历"},
                   {kCmdAddressView, "通讯录"},
                   {0, nullptr},
                   {kCmdNewReminder, "新增提醒"},
                   {0, nullptr},
                   {kCmdLock, "锁定"},
                   {kCmdAbout, "关于"}};
    for (const auto& button : buttons) {
        if (button.id == 0) {
            m_ToolBar->addSeparator();
            continue;
        }
        QAction* action = m_ToolBar->addAction(Q(button.tip));
        action->setToolTip(Q(button.tip));
        action->setData(button.id);
        connect(action, &QAction::triggered, this, [this, id = button.id] { RunCommand(id); });
    }
    m_ToolBar->SetTrueColorImages(24, kBitmapToolbar, kBitmapToolbar, kBitmapToolbar);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* caption) {
    QAction* action = menu->addAction(Q(caption));
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    return action;
}

void CMainFrame::CreateMenus() {
    QMenu* operations = menuBar()->addMenu(Q("操作(&O)"));
    m_Commands[kCmdSendMail] = AddCommand(operations, kCmdSendMail, "发送邮件(&M)");
    operations->addSeparator();
    m_Commands[kCmdNewReminder] = AddCommand(operations, kCmdNewReminder, "新增提醒(&N)");
    m_Commands[kCmdModify] = AddCommand(operations, kCmdModify, "修改(&M)...");
    m_Commands[kCmdDelete] = AddCommand(operations, kCmdDelete, "删除(&D)...");
    m_Commands[kCmdEnable] = AddCommand(operations, kCmdEnable, "生效(&S)");
    operations->addSeparator();
    m_Commands[kCmdImport] = AddCommand(operations, kCmdImport, "导入(&I)");
    m_Commands[kCmdExport] = AddCommand(operations, kCmdExport, "导出(&E)");
    operations->addSeparator();
    m_Commands[kCmdExit] = AddCommand(operations, kCmdExit, "退出(&X)");

    QMenu* view = menuBar()->addMenu(Q("查看(&V)"));
    QAction* toolbar = m_ToolBar->toggleViewAction(); // keeps its mark while the window hides
    toolbar->setText(Q("工具栏(&T)"));
    toolbar->setData(kCmdToolbar);
    view->addAction(toolbar);
    m_Commands[kCmdToolbar] = toolbar;
    view->addSeparator();
    m_ViewGroup = new QActionGroup(this);
    m_ViewGroup->setExclusive(true);
    for (auto [id, caption] :
         {std::pair{kCmdReminderView, "提醒(&T)"}, std::pair{kCmdCalendarView, "日历(&C)"},
          std::pair{kCmdAddressView, "通讯录(&A)"}}) {
        QAction* action = AddCommand(view, id, caption);
        action->setCheckable(true);
        m_ViewGroup->addAction(action);
        m_Commands[id] = action;
    }
    view->addSeparator();
    m_Commands[kCmdLock] = AddCommand(view, kCmdLock, "锁定(&L)");

    QMenu* settings = menuBar()->addMenu(Q("设定(&S)"));
    m_Commands[kCmdPersonalSettings] = AddCommand(settings, kCmdPersonalSettings, "个人中心(&S)");
    m_Commands[kCmdFestivals] = AddCommand(settings, kCmdFestivals, "节日DIY(&F)");
    settings->addSeparator();
    for (auto [id, caption] :
         {std::pair{kCmdAutostart, "随机启动(&U)"}, std::pair{kCmdRunOnce, "检测一次退出(&O)"},
          std::pair{kCmdAutoUpdate, "自动检测更新(&A)"}}) {
        m_Commands[id] = AddCommand(settings, id, caption);
        m_Commands[id]->setCheckable(true);
    }

    QMenu* help = menuBar()->addMenu(Q("帮助(&H)"));
    m_Commands[kCmdFeedback] = AddCommand(help, kCmdFeedback, "意见反馈(&B)");
    m_Commands[kCmdHomePage] = AddCommand(help, kCmdHomePage, "作者主页(&H)");
    m_Commands[kCmdProgramList] = AddCommand(help, kCmdProgramList, "Qilora软件列表(&L)");
    m_Commands[kCmdOnlineUpdate] = AddCommand(help, kCmdOnlineUpdate, "在线更新(&U)");
    help->addSeparator();
    m_Commands[kCmdAbout] = AddCommand(help, kCmdAbout, "关于 生日提醒(&A)...");

    m_TrayMenu = new QMenu(Q("托盘"), this);
    m_TrayCommands[kCmdShowWindow] = AddCommand(m_TrayMenu, kCmdShowWindow, "显示生日提醒(&Show)");
    m_TrayCommands[kCmdSendMail] = AddCommand(m_TrayMenu, kCmdSendMail, "发送邮件(&Mail)");
    m_TrayCommands[kCmdUnlock] = AddCommand(m_TrayMenu, kCmdUnlock, "解除锁定(&Unlock)");
    m_TrayCommands[kCmdPersonalSettings] =
        AddCommand(m_TrayMenu, kCmdPersonalSettings, "个人中心(&Settings)");
    m_TrayMenu->addSeparator();
    m_TrayCommands[kCmdExit] = AddCommand(m_TrayMenu, kCmdExit, "退出(&Quit)");
    connect(m_TrayMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    m_TrayIcon.SetContextMenu(m_TrayMenu);
}

QAction* CMainFrame::Command(int id) const {
    const auto found = m_Commands.find(id);
    return found == m_Commands.end() ? nullptr : found->second;
}

QAction* CMainFrame::TrayCommand(int id) const {
    const auto found = m_TrayCommands.find(id);
    return found == m_TrayCommands.end() ? nullptr : found->second;
}

void CMainFrame::UpdateCommandStates() {
    for (auto& [id, action] : m_Commands)
        action->setEnabled(true);
    for (auto& [id, action] : m_TrayCommands)
        action->setEnabled(true);
    const bool locked = IsLocked();
    m_TrayCommands[kCmdShowWindow]->setEnabled(!locked);
    m_TrayCommands[kCmdUnlock]->setEnabled(locked);
    for (QAction* mail : {m_Commands[kCmdSendMail], m_TrayCommands[kCmdSendMail]})
        mail->setEnabled(!locked);
    // The settings show the unlock password: not while locked.
    m_TrayCommands[kCmdPersonalSettings]->setEnabled(!locked);
    // The reminder commands act on the reminder list, 修改/删除/生效 on its selected row.
    auto* list = qobject_cast<CAnnivoView*>(ActiveView());
    m_Commands[kCmdNewReminder]->setEnabled(list != nullptr);
    for (int id : {kCmdModify, kCmdDelete, kCmdEnable})
        m_Commands[id]->setEnabled(list != nullptr && list->HasSelection());
    // A toolbar button is enabled as the same command in the menu.
    for (QAction* button : m_ToolBar->actions())
        if (const QAction* command = Command(button->data().toInt()))
            button->setEnabled(command->isEnabled());
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
    case kCmdAutoUpdate: {
        std::string failure;
        const int now = id == kCmdRunOnce ? ToggleRunOnce(failure) : ToggleAutoUpdate(failure);
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
    case kCmdSendMail: ShowMailComposer(); break;
    case kCmdNewReminder:
    case kCmdModify:
    case kCmdDelete:
    case kCmdEnable:
        if (auto* list = qobject_cast<CAnnivoView*>(ActiveView()))
            list->RunCommand(id);
        break;
    case kCmdExport: RunExportCommand(this, m_Prompter); break;
    case kCmdImport:
        // New people show at once, without a restart, in every view.
        if (RunImportCommand(this, m_Prompter) > 0)
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
        view = list;
    } else {
        view = new CMainView(viewId, Q(hint), m_Views);
    }
    view->HintLine()->SetPrompter(&m_Prompter);
    return view;
}

void CMainFrame::PeopleChanged(CMainView* changedBy) {
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
    DropFinishedPlayers();
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

void CMainFrame::RefreshReminderList() {
    if (CMainView* list = View(kViewReminderList))
        list->Refresh();
}

void CMainFrame::OpenReminderPopup(const std::string& music, const std::string& heading,
                                   const std::string& message) {
    m_Popups.erase(std::remove_if(m_Popups.begin(), m_Popups.end(),
                                  [](const QPointer<CRemindPopupDlg>& p) { return p.isNull(); }),
                   m_Popups.end());
    m_Popups.emplace_back(CRemindPopupDlg::Open(music, heading, message, this));
}

std::vector<CRemindPopupDlg*> CMainFrame::OpenPopups() const {
    std::vector<CRemindPopupDlg*> open;
    for (const QPointer<CRemindPopupDlg>& popup : m_Popups)
        if (!popup.isNull() && popup->isVisible())
            open.push_back(popup.data());
    return open;
}

void CMainFrame::KeepMusicPlaying(std::unique_ptr<MediaPlayer> player) {
    DropFinishedPlayers();
    m_LingeringPlayers.push_back(std::move(player));
}

void CMainFrame::StopAllMusic() {
    for (const QPointer<CRemindPopupDlg>& popup : m_Popups)
        delete popup.data();
    m_Popups.clear();
    m_LingeringPlayers.clear();
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::current_path(error);
    if (!error)
        DeleteBuiltInTune(directory.string());
}

void CMainFrame::DropFinishedPlayers() {
    std::erase_if(m_LingeringPlayers,
                  [](const std::unique_ptr<MediaPlayer>& player) { return !player->IsPlaying(); });
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
