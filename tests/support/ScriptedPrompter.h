#pragma once
// A Prompter that records every question and answers from a script.

#include "platform/Prompter.h"

#include <deque>
#include <string>
#include <vector>

class ScriptedPrompter final : public Prompter {
public:
    struct Asked {
        std::string text;
        std::string caption;
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
        if (!answers.empty()) {
            const PromptAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel
                   ? PromptAnswer::Yes
                   : PromptAnswer::Ok;
    }

    std::string ChooseOpenFile(const std::string& title, const std::string&,
                               const std::string&) override {
        return NextFile(title);
    }
    std::string ChooseSaveFile(const std::string& title, const std::string&,
                               const std::string&) override {
        return NextFile(title);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Asked& a : asked)
            texts.push_back(a.text);
        return texts;
    }

private:
    std::string NextFile(const std::string& title) {
        fileDialogs.push_back(title);
        if (files.empty())
            return {};
        std::string file = files.front();
        files.pop_front();
        return file;
    }
};
