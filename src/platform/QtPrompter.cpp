#include "platform/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QMessageBox::Icon ToQt(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The window a box or dialog belongs to: the active one, or, when none is
// active (a progress dialog just closed, the focus has not come back yet),
// the program's main window, so that the box still appears over it. A window
// that floats on top by itself (a reminder pop-up) is not what a question is
// about and may close before it is answered: the main window again.
QWidget* DialogParent() {
    if (QWidget* active = QApplication::activeWindow();
        active && (active->isModal() || !active->windowFlags().testFlag(Qt::WindowStaysOnTopHint)))
        return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && qobject_cast<QMainWindow*>(window))
            return window;
    return nullptr;
}

// A desktop's own file dialog is another program's window, which cannot be
// put above windows that stay on top; while one is open, Qt's dialog is used.
QFileDialog::Options FileDialogOptions() {
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return QFileDialog::DontUseNativeDialog;
    return {};
}

} // namespace

PromptAnswer QtPrompter::Ask(const std::string& text, const std::string& caption,
                             PromptButtons buttons, PromptIcon icon) {
    QMessageBox box(ToQt(icon), Q(caption), Q(text), QMessageBox::NoButton, DialogParent());
    // Messages carry names and typed text: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    switch (buttons) {
    case PromptButtons::Ok:
        ok = box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
        break;
    case PromptButtons::OkCancel:
        ok = box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
        cancel = box.addButton(QString::fromUtf8("取消"), QMessageBox::RejectRole);
        break;
    case PromptButtons::YesNoCancel:
    case PromptButtons::YesNo:
        yes = box.addButton(QString::fromUtf8("是(&Y)"), QMessageBox::YesRole);
        no = box.addButton(QString::fromUtf8("否(&N)"), QMessageBox::NoRole);
        if (buttons == PromptButtons::YesNoCancel)
            cancel = box.addButton(QString::fromUtf8("取消"), QMessageBox::RejectRole);
        break;
    }
    // Closing the box: Cancel where there is one, else No, else OK.
    box.setEscapeButton(cancel ? cancel : no ? no : ok);
    box.setDefaultButton(ok ? ok : yes);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr)
        clicked = box.escapeButton();
    if (clicked == yes)
        return PromptAnswer::Yes;
    if (clicked == no)
        return PromptAnswer::No;
    if (clicked == cancel)
        return PromptAnswer::Cancel;
    return PromptAnswer::Ok;
}

std::string QtPrompter::ChooseOpenFile(const std::string& title, const std::string& filter,
                                       const std::string& initialPath) {
    return QFileDialog::getOpenFileName(DialogParent(), Q(title), Q(initialPath), Q(filter),
                                        nullptr, FileDialogOptions())
        .toStdString();
}

std::string QtPrompter::ChooseSaveFile(const std::string& title, const std::string& filter,
                                       const std::string& initialPath) {
    return QFileDialog::getSaveFileName(DialogParent(), Q(title), Q(initialPath), Q(filter),
                                        nullptr,
                                        FileDialogOptions() | QFileDialog::DontConfirmOverwrite)
        .toStdString();
}
