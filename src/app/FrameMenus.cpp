// The main window's menus, toolbar and tray menu, and which of their commands
// can run at the moment. What a command does is CMainFrame::RunCommand's.

#include "app/CMainFrame.h"

#include "controls/CColorToolBar.h"
#include "controls/CMainView.h"
#include "controls/ResourceImages.h"
#include "reminders/CAnnivoView.h"
#include "settings/Globals.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

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
    m_Commands[kCmdExportCalendar] = AddCommand(operations, kCmdExportCalendar, "导出日历(&C)...");
    m_Commands[kCmdImportVCard] = AddCommand(operations, kCmdImportVCard, "导入名片(&V)...");
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
    m_Commands[kCmdCalendarSync] = AddCommand(settings, kCmdCalendarSync, "日历同步(&Y)...");
    settings->addSeparator();
    for (auto [id, caption] :
         {std::pair{kCmdAutostart, "随机启动(&U)"}, std::pair{kCmdRunOnce, "检测一次退出(&O)"},
          std::pair{kCmdAutoUpdate, "自动检测更新(&A)"},
          std::pair{kCmdDesktopNotify, "桌面通知(&N)"}}) {
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
    const bool locked = g_Setting.m_IsLock == 1;
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
