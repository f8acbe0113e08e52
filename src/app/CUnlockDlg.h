#pragma once

#include <QDialog>

class CImageButton;
class CTrayIcon;
class Prompter;
class QLineEdit;

// Asks for the unlock password while the program is locked. A correct
// password clears the lock and gives the notification-area icon its normal
// picture back; while the dialog is open the program counts as busy, so a
// check-once run does not end under the user's hands.
class CUnlockDlg : public QDialog {
    Q_OBJECT
public:
    CUnlockDlg(CTrayIcon& trayIcon, Prompter& prompter, QWidget* parent = nullptr);
    ~CUnlockDlg() override;

    QLineEdit* PasswordField() const { return m_Password; }
    CImageButton* UnlockButton() const { return m_Unlock; }
    CImageButton* CancelButton() const { return m_Cancel; }

    void done(int result) override;

private:
    void OnUnlock();
    void StopCounting();

    CTrayIcon& m_TrayIcon;
    Prompter& m_Prompter;
    QLineEdit* m_Password;
    CImageButton* m_Unlock;
    CImageButton* m_Cancel;
    bool m_Counted = false;
};
