#include "mail/CMailDlg.h"

#include "controls/ByteLimitValidator.h"
#include "controls/QtText.h"
#include "controls/ResourceImages.h"
#include "platform/Prompter.h"
#include "settings/CIniFile.h"
#include "ui_CMailDlg.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

// The group's own value, which the node may show differently.
constexpr int kGroupRole = Qt::UserRole;

} // namespace

CMailDlg::CMailDlg(MailQueue& queue, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_Ui(std::make_unique<Ui::CMailDlg>()), m_Queue(queue), m_Prompter(prompter),
      m_Ini(CIniFile("annivo.ini").Path()) {
    m_Ui->setupUi(this);
    Ui::CMailDlg& ui = *m_Ui;
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ui.sendButton->SetImage(kBitmapConfirm, 18, 18, 3);
    ui.saveDraftButton->SetImage(kBitmapUpdate, 18, 18, 3);
    ui.loadDraftButton->SetImage(kBitmapUpdate, 18, 18, 3);
    ui.exitButton->SetImage(kBitmapExit, 18, 18, 3);
    ui.recipientEdit->setValidator(new ByteLimitValidator(kRecipientLimit, ui.recipientEdit));
    ui.subjectEdit->setValidator(new ByteLimitValidator(kSubjectLimit, ui.subjectEdit));

    connect(ui.contactTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnContactChosen(item); });
    connect(ui.subjectEdit, &QLineEdit::textChanged, this, [this](const QString& subject) {
        m_Ui->saveDraftButton->setEnabled(!subject.isEmpty());
    });
    connect(ui.sendButton, &QPushButton::clicked, this, &CMailDlg::Send);
    connect(ui.saveDraftButton, &QPushButton::clicked, this, &CMailDlg::SaveDraft);
    connect(ui.loadDraftButton, &QPushButton::clicked, this, &CMailDlg::LoadDraft);
    connect(ui.exitButton, &QPushButton::clicked, this, &CMailDlg::reject);

    FillContactTree();
    ui.saveDraftButton->setEnabled(false);
    ui.loadDraftButton->setEnabled(HasMailDraft(m_Ini));
    ui.recipientEdit->setFocus();
}

CMailDlg::~CMailDlg() = default;

void CMailDlg::FillContactTree() {
    QTreeWidget* tree = m_Ui->contactTree;
    tree->clear();
    QList<QTreeWidgetItem*> groupNodes;
    for (const ContactGroup& group : LoadComposerContacts(m_Prompter)) {
        auto* node = new QTreeWidgetItem(
            QStringList(group.group.empty() ? QStringLiteral("(未分组)") : Q(group.group)));
        node->setData(0, kGroupRole, Q(group.group));
        QList<QTreeWidgetItem*> people;
        people.reserve(static_cast<qsizetype>(group.names.size()));
        for (const std::string& name : group.names)
            people.append(new QTreeWidgetItem(QStringList(Q(name))));
        node->addChildren(people);
        groupNodes.append(node);
    }
    tree->addTopLevelItems(groupNodes);
    tree->expandAll();
}

void CMailDlg::OnContactChosen(QTreeWidgetItem* item) {
    if (item == nullptr)
        return;
    // A group is nobody to write to, even when someone bears its name.
    QTreeWidgetItem* group = item->parent();
    const std::string address = group == nullptr
                                    ? std::string()
                                    : LookUpRecipient(S(group->data(0, kGroupRole).toString()),
                                                      S(item->text(0)), m_Prompter);
    m_Ui->recipientEdit->setText(Q(address));
    m_Ui->recipientEdit->setCursorPosition(0); // a long address shows its beginning
}

ComposedMail CMailDlg::Mail() const {
    return {S(m_Ui->subjectEdit->text()), S(m_Ui->recipientEdit->text()),
            WithCrLf(S(m_Ui->bodyEdit->toPlainText()))};
}

void CMailDlg::ShowMail(const ComposedMail& mail) {
    m_Ui->subjectEdit->setText(Q(mail.subject));
    m_Ui->recipientEdit->setText(Q(mail.recipient));
    // Long values show their beginning.
    m_Ui->subjectEdit->setCursorPosition(0);
    m_Ui->recipientEdit->setCursorPosition(0);
    m_Ui->bodyEdit->setPlainText(Q(WithLf(mail.body)));
}

void CMailDlg::SaveDraft() {
    if (!SaveMailDraft(m_Ini, Mail())) {
        m_Prompter.Tell("草稿没有保存：不能写入配置文件 " + m_Ini.Path().string() + "。");
        return;
    }
    m_Ui->loadDraftButton->setEnabled(true);
}

void CMailDlg::LoadDraft() {
    ShowMail(LoadMailDraft(m_Ini));
}

void CMailDlg::Send() {
    const ComposedMail mail = Mail();
    // Sure to fail at the server, and the text would be gone with the window.
    if (mail.recipient.find_first_not_of(' ') == std::string::npos) {
        m_Prompter.Tell("请填写收件人的邮箱地址！");
        m_Ui->recipientEdit->setFocus();
        return;
    }
    SendComposedMail(m_Queue, mail, m_Busy, m_Ini.Path(), m_Prompter, &CMailDlg::OfferNewDrafts);
    accept();
}

void CMailDlg::OfferNewDrafts() {
    // A composer opened before an earlier mail failed has not seen its draft.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* composer = qobject_cast<CMailDlg*>(window))
            if (HasMailDraft(composer->m_Ini))
                composer->m_Ui->loadDraftButton->setEnabled(true);
}

void CMailDlg::done(int result) {
    // However the composer closes (退出, Esc, the title bar), its count goes back.
    m_Busy.Release();
    QDialog::done(result);
}

void CMailDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Enter never sends by itself: it presses the button that has the focus,
    // and in a field it goes on to the next one (the body takes it as a new line).
    QWidget* focus = focusWidget();
    if (auto* button = qobject_cast<QPushButton*>(focus)) {
        if (button->isEnabled())
            button->click();
    } else if (focus == m_Ui->contactTree) {
        const QTreeWidgetItem* item = m_Ui->contactTree->currentItem();
        if (item != nullptr && item->parent() != nullptr)
            m_Ui->subjectEdit->setFocus();
    } else if (focus == m_Ui->recipientEdit || focus == m_Ui->subjectEdit) {
        focusNextChild();
    }
}
