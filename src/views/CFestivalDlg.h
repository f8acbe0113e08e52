#pragma once

#include <QDialog>

#include <memory>
#include <string>

class Prompter;
struct FestivalForm;
namespace Ui {
class CFestivalDlg;
}

// 节日DIY: lists the Festival table, adds, changes and deletes its rows at
// once, and keeps the calendar's two festival switches, which only 确认
// stores. 更新 and 删除 act on the selected row and are offered only while
// one is selected. Enter in the editing fields adds (it never closes the
// dialog with the typed festival unsaved); elsewhere Enter is 确认 and Esc
// is 退出.
class CFestivalDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFestivalDlg(Prompter& prompter, QWidget* parent = nullptr);
    ~CFestivalDlg() override;

    Ui::CFestivalDlg& Controls() const { return *m_Ui; }
    // The key of the selected row; 0 while none is selected.
    int CurrentKey() const { return m_CurrentKey; }
    // The values as the editing fields hold them.
    FestivalForm Form() const;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillList();
    void ShowRow(int row);
    void SelectKey(int key);
    void UpdateButtons();
    void OnAdd();
    void OnUpdate();
    void OnDelete();

    std::unique_ptr<Ui::CFestivalDlg> m_Ui;
    Prompter& m_Prompter;
    int m_CurrentKey = 0;
    std::string m_StoredName; // the selected row's name as stored
};
