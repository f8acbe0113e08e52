#pragma once
// The main window's bookkeeping of reminder pop-ups: the ones open, and the
// tunes that play on after their pop-up was closed with the music left on.

#include "reminders/CRemindPopupDlg.h"

#include <QPointer>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class MediaPlayer;

class ReminderPopups {
public:
    ReminderPopups() = default;
    ReminderPopups(const ReminderPopups&) = delete;
    ReminderPopups& operator=(const ReminderPopups&) = delete;
    // Pop-ups still open count themselves out without calling back.
    ~ReminderPopups();

    void Open(const std::string& music, const std::string& heading, const std::string& message,
              RemindPopupHost* host);
    // The pop-ups on screen, oldest first.
    std::vector<CRemindPopupDlg*> Shown() const;

    // Keeps a player until its tune has finished.
    void KeepPlaying(std::unique_ptr<MediaPlayer> player);
    // Lets go of the players whose tune has ended.
    void DropFinished();
    // Closes every pop-up and silences every tune.
    void CloseAll();
    std::size_t LingeringCount() const { return m_Lingering.size(); }

private:
    std::vector<QPointer<CRemindPopupDlg>> m_Popups;
    std::vector<std::unique_ptr<MediaPlayer>> m_Lingering;
};
