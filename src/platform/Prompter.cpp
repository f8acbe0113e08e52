#include "platform/Prompter.h"

#include "platform/AppTitle.h"

void Prompter::Tell(const std::string& text) {
    Ask(text, kAppTitle, PromptButtons::Ok, PromptIcon::Information);
}

void Prompter::Tell(const std::string& text, const std::string& caption, PromptIcon icon) {
    Ask(text, caption, PromptButtons::Ok, icon);
}
