#pragma once

#include "mail/MailComposer.h"
#include "platform/ProfileFile.h"

#include <QDialog>

#include <memory>

class MailQueue;
class Prompter;
class QTreeWidgetItem;
namespace Ui {
class CMailDlg;
}

// 发送邮件: one mail to one person of the database, chosen from the contact
// tree by group, or to any address typed in; one draft kept in annivo.ini.
// The open composer counts as busy; 发送 hands the mail to the queue.
class CMailDlg : public QDialog {
    Q_OBJECT
public:
    // The queue outlives the mails it is given.
    CMailDlg(MailQueue& queue, Prompter& prompter, QWidget* parent = nullptr);
    ~CMailDlg() override;

    Ui::CMailDlg& Controls() const { return *m_Ui; }
    // The mail as the fields hold it, line breaks as CR LF.
    ComposedMail Mail() const;

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillContactTree();
    void OnContactChosen(QTreeWidgetItem* item);
    void ShowMail(const ComposedMail& mail);
    void SaveDraft();
    void LoadDraft();
    void Send();
    static void OfferNewDrafts();

    ComposerBusyHold m_Busy; // first: held before anything else can fail
    std::unique_ptr<Ui::CMailDlg> m_Ui;
    MailQueue& m_Queue;
    Prompter& m_Prompter;
    ProfileFile m_Ini;
};
