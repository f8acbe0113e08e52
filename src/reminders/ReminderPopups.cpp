#include "reminders/ReminderPopups.h"

#include "platform/MediaPlayer.h"

#include <algorithm>

ReminderPopups::~ReminderPopups() {
    for (const QPointer<CRemindPopupDlg>& popup : m_Popups)
        delete popup.data();
}

void ReminderPopups::Open(const std::string& music, const std::string& heading,
                          const std::string& message, RemindPopupHost* host) {
    std::erase_if(m_Popups, [](const QPointer<CRemindPopupDlg>& p) { return p.isNull(); });
    m_Popups.emplace_back(CRemindPopupDlg::Open(music, heading, message, host));
}

std::vector<CRemindPopupDlg*> ReminderPopups::Shown() const {
    std::vector<CRemindPopupDlg*> open;
    for (const QPointer<CRemindPopupDlg>& popup : m_Popups)
        if (!popup.isNull() && popup->isVisible())
            open.push_back(popup.data());
    return open;
}

void ReminderPopups::DropFinished() {
    std::erase_if(m_Lingering,
                  [](const std::unique_ptr<MediaPlayer>& p) { return !p->IsPlaying(); });
}

void ReminderPopups::KeepPlaying(std::unique_ptr<MediaPlayer> player) {
    DropFinished();
    m_Lingering.push_back(std::move(player));
}

void ReminderPopups::CloseAll() {
    for (const QPointer<CRemindPopupDlg>& popup : m_Popups)
        delete popup.data();
    m_Popups.clear();
    m_Lingering.clear();
}
