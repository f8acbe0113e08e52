#pragma once
// What the reminder engine and the mail threads ask of the window. The GUI
// implements it; tests record the calls.

#include <functional>
#include <string>

class ReminderSink {
public:
    virtual ~ReminderSink() = default;

    // Opens a modeless, topmost reminder pop-up that plays `music` (empty: none,
    // "HAPPYBIRTHDAY": the built-in tune, else a sound file path). The caller
    // has already raised g_BusyCount for it; the pop-up lowers it when closed.
    // Main thread only.
    virtual void OpenReminderPopup(const std::string& music, const std::string& heading,
                                   const std::string& message) = 0;

    // Redraws the reminder list view from the reminder list. Main thread only.
    virtual void RefreshReminderList() = 0;

    // Puts a text into the hint line of the shown view. Called from mail
    // threads as well, so an implementation must be safe on any thread.
    virtual void WriteHint(const std::string& text) = 0;

    // Runs `task` later on the main thread, where the user can be asked and
    // the files the windows write are written. A task that cannot run any
    // more (the window is gone) is destroyed unrun. Safe on any thread.
    virtual void PostToMainThread(std::function<void()> task) = 0;
};
