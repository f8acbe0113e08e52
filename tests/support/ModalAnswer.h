#pragma once
// Answers the next modal dialog of a type from inside its event loop: waits
// (a bounded while) for it to open, runs `answer` on it and, unless the
// answer closed it, cancels it so that no test can hang on it.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

template <typename Dialog>
void AnswerModal(std::function<void(Dialog&)> answer, int triesLeft = 200) {
    QTimer::singleShot(triesLeft == 200 ? 0 : 10, [answer, triesLeft] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (triesLeft > 0)
                AnswerModal<Dialog>(answer, triesLeft - 1);
            return;
        }
        answer(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}
