#pragma once
// Answers the next modal dialog of a type from inside its event loop: waits
// (up to a minute: a loaded machine may be slow to open it) for it to open,
// runs `answer` on it and, unless the answer closed it, cancels it so that no
// test can hang on it. The waiting stops when `context` goes.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

template <typename Dialog>
void AnswerModal(std::function<void(Dialog&)> answer, const QObject* context = qApp,
                 int triesLeft = 6000) {
    QTimer::singleShot(triesLeft == 6000 ? 0 : 10, context, [answer, context, triesLeft] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (triesLeft > 0)
                AnswerModal<Dialog>(answer, context, triesLeft - 1);
            return;
        }
        answer(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}
