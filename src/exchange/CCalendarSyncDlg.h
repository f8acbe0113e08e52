#pragma once
// 日历同步: the CalDAV calendar the birthdays are published to (its address,
// user, password, years and the two options), and 立即同步. The settings go
// to annivo.ini, the password to the desktop's secret store; where none runs
// the dialog says so and the password is asked for at each publish.

#include <QDialog>

#include <string>

class Clock;
class Prompter;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct CalendarSyncSettings;

class CCalendarSyncDlg : public QDialog {
    Q_OBJECT

public:
    // Both outlive the dialog.
    CCalendarSyncDlg(Prompter& prompter, const Clock& clock, QWidget* parent = nullptr);

    QLineEdit* UrlEdit() const { return m_Url; }
    QLineEdit* UserEdit() const { return m_User; }
    QLineEdit* PasswordEdit() const { return m_Password; }
    QSpinBox* YearsBox() const { return m_Years; }
    QCheckBox* FestivalsBox() const { return m_Festivals; }
    QCheckBox* SolarTermsBox() const { return m_SolarTerms; }
    QLabel* StoreNote() const { return m_StoreNote; }
    QPushButton* PublishButton() const { return m_PublishNow; }

    // Saves the settings (and the password, where a store runs); stays open
    // with what was entered when something is wrong or cannot be saved.
    void accept() override;
    // 立即同步: publishes what the dialog shows, saved or not.
    void PublishNow();

private:
    // What the fields say, or nothing (and the user told why, the field in
    // question focused) when it cannot be used.
    bool ReadFields(CalendarSyncSettings& settings, bool needPassword);

    Prompter& m_Prompter;
    const Clock& m_Clock;
    bool m_HasStore = false;
    std::string m_StoredKey; // the secret-store entry the dialog opened with
    QLineEdit* m_Url = nullptr;
    QLineEdit* m_User = nullptr;
    QLineEdit* m_Password = nullptr;
    QSpinBox* m_Years = nullptr;
    QCheckBox* m_Festivals = nullptr;
    QCheckBox* m_SolarTerms = nullptr;
    QLabel* m_StoreNote = nullptr;
    QPushButton* m_PublishNow = nullptr;
};

// Returns true when the settings were saved.
bool RunCalendarSyncCommand(QWidget* parent, Prompter& prompter, const Clock& clock);
