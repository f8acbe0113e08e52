#include "app/CUnlockDlg.h"

#include "app/CTrayIcon.h"
#include "controls/CImageButton.h"
#include "controls/ResourceImages.h"
#include "platform/PasswordHash.h"
#include "platform/Prompter.h"
#include "settings/Globals.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CUnlockDlg::CUnlockDlg(CTrayIcon& trayIcon, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_TrayIcon(trayIcon), m_Prompter(prompter) {
    setWindowTitle(QString::fromUtf8("Qilora生日提醒"));
    setWindowIcon(ResourceIcon(kIconLocked));

    auto* notice = new QLabel(QString::fromUtf8("提示：您的生日提醒处于锁定状态。"), this);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* label = new QLabel(QString::fromUtf8("密码:"), this);
    m_Password = new QLineEdit(this);
    m_Password->setEchoMode(QLineEdit::Password);
    m_Password->setMaxLength(20);
    label->setBuddy(m_Password);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(label);
    passwordRow->addWidget(m_Password, 1);

    m_Unlock = new CImageButton(QString::fromUtf8("解锁"), this);
    m_Unlock->SetImage(kBitmapConfirm, 18, 18, 3);
    m_Unlock->setDefault(true);
    m_Cancel = new CImageButton(QString::fromUtf8("取消"), this);
    m_Cancel->SetImage(kBitmapExit, 18, 18, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_Unlock);
    buttons->addWidget(m_Cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(notice);
    layout->addWidget(line);
    layout->addLayout(passwordRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_Unlock, &QPushButton::clicked, this, &CUnlockDlg::OnUnlock);
    connect(m_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    IncrementBusyCount();
    m_Counted = true;
    setWindowFlag(Qt::WindowStaysOnTopHint);
    m_Password->setFocus();
}

CUnlockDlg::~CUnlockDlg() {
    StopCounting();
}

void CUnlockDlg::OnUnlock() {
    if (!PasswordMatches(m_Password->text().toStdString(), g_Setting.m_UnLockPwd)) {
        m_Prompter.Tell("解锁密码不正确！", "提示", PromptIcon::Warning);
        m_Password->setFocus();
        m_Password->selectAll();
        return;
    }
    g_Setting.m_IsLock = 0;
    m_TrayIcon.HideIcon();
    m_TrayIcon.Create(kIconProgram);
    accept();
}

// Every way out (解锁, 取消, Esc, the close box) ends the busy time once.
void CUnlockDlg::done(int result) {
    StopCounting();
    QDialog::done(result);
}

void CUnlockDlg::StopCounting() {
    if (m_Counted) {
        m_Counted = false;
        DecrementBusyCount();
    }
}
