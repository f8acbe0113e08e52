#pragma once

#include "platform/Prompter.h"

// Message boxes and file dialogs on the desktop, over the active window.
class QtPrompter final : public Prompter {
public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;
    std::string ChooseOpenFile(const std::string& title, const std::string& filter,
                               const std::string& initialPath) override;
    std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                               const std::string& initialPath) override;
};
