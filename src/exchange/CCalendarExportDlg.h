#pragma once
// 导出日历: the file, the number of years and whether festivals and solar
// terms go along; OK writes the file and says how it went.

#include <QDialog>

class Clock;
class Prompter;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CCalendarExportDlg : public QDialog {
    Q_OBJECT

public:
    // Both outlive the dialog.
    CCalendarExportDlg(Prompter& prompter, const Clock& clock, QWidget* parent = nullptr);

    QLineEdit* FileEdit() const { return m_File; }
    QPushButton* BrowseButton() const { return m_Browse; }
    QSpinBox* YearsBox() const { return m_Years; }
    QCheckBox* FestivalsBox() const { return m_Festivals; }
    QCheckBox* SolarTermsBox() const { return m_SolarTerms; }

    // Exports; the dialog closes once the file is written and stays open
    // with what was entered when it is not.
    void accept() override;

private:
    void Browse();

    Prompter& m_Prompter;
    const Clock& m_Clock;
    QLineEdit* m_File = nullptr;
    QPushButton* m_Browse = nullptr;
    QSpinBox* m_Years = nullptr;
    QCheckBox* m_Festivals = nullptr;
    QCheckBox* m_SolarTerms = nullptr;
};

void RunCalendarExportCommand(QWidget* parent, Prompter& prompter, const Clock& clock);
