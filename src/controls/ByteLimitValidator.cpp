#include "controls/ByteLimitValidator.h"

#include "platform/TextCodec.h"

#include <QLineEdit>

ByteLimitValidator::ByteLimitValidator(std::size_t maxBytes, QLineEdit* edit)
    : QValidator(edit), m_MaxBytes(maxBytes), m_Current(Gb18030Length(edit->text().toStdString())) {
    // setText bypasses the validator; the length is followed here instead.
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_Current = Gb18030Length(text.toStdString()); });
}

QValidator::State ByteLimitValidator::validate(QString& input, int&) const {
    const std::size_t length = Gb18030Length(input.toStdString());
    if (length <= m_MaxBytes || length <= m_Current)
        return Acceptable;
    // Unmodified means the program put this text in (setText), not the user.
    const auto* edit = qobject_cast<const QLineEdit*>(parent());
    return edit != nullptr && !edit->isModified() ? Acceptable : Invalid;
}
