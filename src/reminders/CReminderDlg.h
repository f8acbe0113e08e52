#pragma once

#include <QDialog>
#include <QUrl>

// Qt's headers first: moc cannot read <compare> before them.
#include "platform/BirthDate.h"

#include <functional>
#include <memory>

class CBirthDateEdit;
class Prompter;
class QRadioButton;
struct ReminderForm;
enum class BlessingChoice;
enum class MusicChoice;
namespace Ui {
class CReminderDlg;
}

// 增加提醒: adds a person or edits one (name, birth date and calendar,
// mobile, e-mail, state, ahead days, pop-up music and the optional birthday
// blessing mail), with a side panel of ready-made blessings. A 阴历 birth
// date is entered as a lunar date, its Gregorian day shown under it. OK checks that
// there is a birth date and the name is unique and writes the row; the
// dialog ends with OK once the row is written, and stays open with
// everything typed when the write fails. Editing shows the stored birth
// date, or "(无日期)" for none, and writes it only when another is picked.
class CReminderDlg : public QDialog {
    Q_OBJECT
public:
    using LinkOpener = std::function<bool(const QUrl&)>;

    CReminderDlg(ReminderForm form, Prompter& prompter, QWidget* parent = nullptr);
    ~CReminderDlg() override;

    void SetLinkOpener(LinkOpener opener) { m_LinkOpener = std::move(opener); }

    // The values as the controls hold them.
    ReminderForm Form() const;
    Ui::CReminderDlg& Controls() const { return *m_Ui; }
    CBirthDateEdit& BirthEntry() const { return *m_Birth; }
    bool BlessingsShown() const;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowForm();
    void OnMusicChosen(MusicChoice choice);
    void OnBlessingSwitched(BlessingChoice choice);
    void ToggleBlessingsPanel();
    QRadioButton* MusicRadio(MusicChoice choice) const;

    std::unique_ptr<Ui::CReminderDlg> m_Ui;
    std::unique_ptr<ReminderForm> m_Form; // what the dialog opened with
    CBirthDateEdit* m_Birth;              // holds the .ui's birthEdit for 阳历
    BirthDate m_ShownBirth;               // the birth date shown at opening
    bool m_Showing = false;               // the form is being put on show, not edited
    Prompter& m_Prompter;
    LinkOpener m_LinkOpener;
};
