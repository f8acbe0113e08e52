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
    std::vector<Asked> asked;

    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override {
        asked.push_back({text, caption, buttons, icon});
        if (answers.empty())
            return buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel
                       ? PromptAnswer::Yes
                       : PromptAnswer::Ok;
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Paths the open-file dialogs answer in order; cancelled once they run out.
    std::deque<std::string> openFiles;
    int openFileDialogs = 0;

    using S = const std::string&;
    std::string ChooseOpenFile(S, S, S) override {
        ++openFileDialogs;
        if (openFiles.empty())
            return {};
        std::string path = openFiles.front();
        openFiles.pop_front();
        return path;
    }
    std::string ChooseSaveFile(S, S, S) override { return {}; }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Asked& a : asked)
            texts.push_back(a.text);
        return texts;
    }
};
