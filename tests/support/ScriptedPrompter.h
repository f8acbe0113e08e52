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
    // Paths the file dialogs answer in order, open and save dialogs each from
    // their own list; cancelled once it runs out. Every dialog is recorded.
    struct FileDialog {
        std::string title, filter, initialPath;
    };
    std::deque<std::string> openFiles;
    std::deque<std::string> saveFiles;
    std::vector<FileDialog> fileDialogs;
    int openFileDialogs = 0;

    using S = const std::string&;
    std::string ChooseOpenFile(S title, S filter, S initial) override {
        ++openFileDialogs;
        return ChooseFile(openFiles, title, filter, initial);
    }
    std::string ChooseSaveFile(S title, S filter, S initial) override {
        return ChooseFile(saveFiles, title, filter, initial);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Asked& a : asked)
            texts.push_back(a.text);
        return texts;
    }

private:
    std::string ChooseFile(std::deque<std::string>& answers, S title, S filter, S initial) {
        fileDialogs.push_back({title, filter, initial});
        if (answers.empty())
            return {};
        std::string path = answers.front();
        answers.pop_front();
        return path;
    }
};
