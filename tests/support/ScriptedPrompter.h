#pragma once
// A Prompter that records every question and answers from a script.

#include "platform/Prompter.h"

#include <deque>
#include <string>
#include <vector>

class ScriptedPrompter final : public Prompter {
public:
    struct Asked {
        std::string text, caption;
        PromptButtons buttons;
        PromptIcon icon;
    };

    // Answers given in order; when the script runs out, Ok / Yes is answered.
    std::deque<PromptAnswer> answers;
    std::deque<std::string> files; // answers to the file dialogs, "" = cancel
    std::vector<Asked> asked;
    std::vector<std::string> fileDialogs; // titles of the file dialogs shown

    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override {
        asked.push_back({text, caption, buttons, icon});
        const bool yesNo = buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel;
        return Next(answers, yesNo ? PromptAnswer::Yes : PromptAnswer::Ok);
    }
    std::string ChooseOpenFile(const std::string& title, const std::string&,
                               const std::string&) override {
        fileDialogs.push_back(title);
        return Next(files, std::string());
    }
    std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                               const std::string& initialPath) override {
        return ChooseOpenFile(title, filter, initialPath);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Asked& a : asked)
            texts.push_back(a.text);
        return texts;
    }

private:
    template <typename T> static T Next(std::deque<T>& script, T otherwise) {
        if (script.empty())
            return otherwise;
        T next = script.front();
        script.pop_front();
        return next;
    }
};
