#pragma once

#include <QDialog>

#include <memory>

class Prompter;
struct SettingForm;
namespace Ui {
class CSettingDlg;
}

// 个人设置中心: nickname, mobile, the start-up lock and its password, how
// reminders go out, the address that receives them and the account mails are
// sent through. 设定 writes the settings row and the running settings (all
// but the lock, which counts from the next start).
class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingDlg(Prompter& prompter, QWidget* parent = nullptr);
    ~CSettingDlg() override;

    // The values as the controls hold them.
    SettingForm Form() const;
    Ui::CSettingDlg& Controls() const { return *m_Ui; }

    void accept() override;

private:
    void ShowForm(const SettingForm& form);
    void ShowSenderAccount(const SettingForm& form);

    std::unique_ptr<Ui::CSettingDlg> m_Ui;
    Prompter& m_Prompter;
    bool m_UnlockPasswordSet = false; // the row holds an unlock password
};
