#pragma once

#include "controls/CMainView.h"
#include "storage/ContactGroups.h"
#include "views/AddressBook.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CBirthDateEdit;
class Prompter;
class QLineEdit;
class QTreeWidgetItem;
namespace Ui {
class CAvAddressList;
}

// 通讯录: every person of the database in a tree by group, the selected
// person's details beside it, and 新增/删除/更新/上一个/下一个/搜索. A 阴历
// birth date is entered as a lunar date, its Gregorian day beside it. A
// contact with 提醒 ticked is a birthday reminder too, so every change is
// passed on through `peopleChanged` for the reminder list to read again.
class CAvAddressList : public CMainView {
    Q_OBJECT
public:
    CAvAddressList(Prompter& prompter, std::function<void()> peopleChanged,
                   QWidget* parent = nullptr);
    ~CAvAddressList() override;

    Ui::CAvAddressList& Controls() const { return *m_Ui; }
    CBirthDateEdit& BirthEntry() const { return *m_Birth; }
    // The values as the controls hold them.
    ContactForm Form() const;
    // The name of the contact on show; empty when none is.
    const std::string& ShownName() const { return m_Shown.Name(); }

    void FillTree();
    // People changed elsewhere (an import): the tree shows them, while the
    // form keeps what it holds and the same node stays selected.
    void Refresh() override;
    void Add();
    void Update();
    void Delete();
    void Previous();
    void Next();
    void Search();
    // 清空: an empty form for a new contact, in the selected group if a group
    // node is selected.
    void Clear();
    // 导入名片: contacts from a vCard file, shown at once here and elsewhere.
    void ImportCards();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowContact();
    void ShowForm(const ContactForm& form);
    void ClearForm(const std::string& group);
    void ShowBirth(const BirthDate& birth, const std::string& calendar);
    void SetContactShown(bool shown);
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    // Selects a node (none clears the selection), which shows it.
    void SelectNode(const std::optional<ContactNode>& node);
    std::optional<ContactNode> NodeOf(QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(const ContactNode& node) const;
    std::vector<QLineEdit*> TextEdits() const;
    // After add and update: the tree read again, the contact found and shown.
    void RefillAndSelect(const std::string& name);
    // A written contact shown again, and the rest of the program told.
    void ShowWritten(WriteOutcome outcome, const std::string& name);

    std::unique_ptr<Ui::CAvAddressList> m_Ui;
    Prompter& m_Prompter;
    std::function<void()> m_PeopleChanged;
    std::vector<ContactGroup> m_Tree; // what the tree widget shows
    std::string m_CurrentName;        // the text of the node selected last
    bool m_CurrentIsGroup = false;    // ... and it is a group node
    ContactForm m_Shown;              // the contact on the form as read; empty for none
    CBirthDateEdit* m_Birth;          // holds the .ui's birthEdit for 阳历
    BirthDate m_ShownBirth;           // what the date field shows for m_Shown.birth
    bool m_ShowingBirth = false;      // the calendar list is being filled, not chosen
    std::string m_SearchedText;       // what 搜索 looked for last
    bool m_ShownBefore = false;
};
