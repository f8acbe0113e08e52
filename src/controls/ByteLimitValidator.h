#pragma once

#include <QValidator>

class QLineEdit;

// Refuses text longer than a number of GB18030 bytes (a Chinese character
// counts 2, some rare ones 4), so typing or pasting past a field's limit
// changes nothing and no character is ever cut in half. A longer text put
// in by the program (an imported name) may be shortened, never lengthened.
class ByteLimitValidator : public QValidator {
    Q_OBJECT
public:
    ByteLimitValidator(std::size_t maxBytes, QLineEdit* edit);
    State validate(QString& input, int& position) const override;

private:
    std::size_t m_MaxBytes;
    std::size_t m_Current; // bytes of the edit's text as it stands
};
