#pragma once

#include "controls/CMainView.h"
#include "platform/DateTime.h"
#include "storage/ReminderRecord.h"

#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class CSortListCtrl;
class Clock;
class Prompter;
class QMenu;
struct ShownReminder;

// The reminder list: every reminder with its state, ahead days, calendar,
// birth date and this year's birthday, coloured by state. From here people
// are added, edited, deleted and switched on and off; after every change the
// list is read again from the database, so it shows what is really stored.
class CAnnivoView : public CMainView {
    Q_OBJECT
public:
    using LinkOpener = std::function<bool(const QUrl&)>;

    // The list, clock and prompter outlive the view; `restartTimer` restarts
    // the reminder timer, which every refresh does.
    CAnnivoView(ReminderList& reminders, const Clock& clock, Prompter& prompter,
                std::function<void()> restartTimer, QWidget* parent = nullptr);
    ~CAnnivoView() override;

    CSortListCtrl* List() const { return m_List; }
    void SetLinkOpener(LinkOpener opener) { m_LinkOpener = std::move(opener); }

    // Reads the reminders from the database again, then refreshes.
    void Reload();
    // Rebuilds the rows from the reminder list and restarts the timer.
    void Refresh() override;
    // Rows made elsewhere from the reminder list as it stands, sorted, at
    // `madeAt` (start-up makes them on its reading thread). The next fill
    // shows them if the clock still reads `madeAt`; a refresh drops them.
    void OfferRows(std::shared_ptr<const std::vector<ShownReminder>> rows, const DateTime& madeAt);

    // 修改, 删除 and the toggle need a selected row.
    bool HasSelection() const;
    // 新增提醒, 修改, 删除 and 生效/失效; false for any other command.
    bool RunCommand(int commandId);

    // The context menu as it shows for the current selection.
    std::unique_ptr<QMenu> MakeContextMenu();

signals:
    void SelectionChanged();
    // A person was added, changed, deleted or switched on or off here.
    void PeopleEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FillRows();
    void AddReminder();
    void EditReminder();
    void DeleteSelected();
    void ToggleSelected();
    std::string SelectedText(int column) const;

    ReminderList& m_Reminders;
    const Clock& m_Clock;
    Prompter& m_Prompter;
    std::function<void()> m_RestartTimer;
    LinkOpener m_LinkOpener;
    CSortListCtrl* m_List;
    std::shared_ptr<const std::vector<ShownReminder>> m_OfferedRows;
    DateTime m_OfferedAt;
};
