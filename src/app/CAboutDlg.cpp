#include "app/CAboutDlg.h"

#include "controls/CHyperLink.h"
#include "controls/CImageButton.h"
#include "controls/FrameCommands.h"
#include "controls/ResourceImages.h"

#include <QGridLayout>
#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("关于 Qilora生日提醒"));
    setWindowIcon(ResourceIcon(kIconProgram));

    auto* icon = new QLabel(this);
    icon->setPixmap(ResourceIcon(kIconProgram).pixmap(32, 32));
    icon->setAccessibleName(QString::fromUtf8("Qilora生日提醒图标"));
    auto* version = new QLabel(QString::fromUtf8("Qilora生日提醒 1.8版"), this);
    m_Link = new CHyperLink(
        QString::fromStdString("[url=" + HomePageUrl() + "]www.qilora.com[/url]"), this);
    m_Ok = new CImageButton(QString::fromUtf8("确定"), this);
    m_Ok->SetImage(kBitmapConfirm, 18, 18, 3);
    m_Ok->setDefault(true);
    connect(m_Ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(m_Link, 1, 1);
    layout->addWidget(m_Ok, 0, 2, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The link comes first in the Tab order, but Enter confirms the box.
    m_Ok->setFocus();
}
