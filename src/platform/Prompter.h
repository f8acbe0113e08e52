#pragma once
// What the core asks of the user: message boxes and file dialogs. The window
// layer answers with real dialogs; tests answer from a script.

#include <string>

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptAnswer { Ok, Cancel, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;

    // A message box; returns the button chosen (closing the box counts as
    // Cancel, or No where there is no Cancel).
    virtual PromptAnswer Ask(const std::string& text, const std::string& caption,
                             PromptButtons buttons, PromptIcon icon) = 0;

    // File dialogs; the chosen full path, or "" when the user cancelled.
    // `filter` is a Qt-style filter such as "工作簿 (*.xls *.xlsx)". The save
    // dialog does not ask about replacing a file: the caller may still change
    // the name, so it asks once it knows the final one.
    virtual std::string ChooseOpenFile(const std::string& title, const std::string& filter,
                                       const std::string& initialPath) = 0;
    virtual std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                                       const std::string& initialPath) = 0;

    // An OK box with the program's title, the usual way to report a failure.
    void Tell(const std::string& text);
    void Tell(const std::string& text, const std::string& caption, PromptIcon icon);
};
