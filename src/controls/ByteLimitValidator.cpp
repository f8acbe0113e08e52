#include "controls/ByteLimitValidator.h"

#include "platform/TextCodec.h"

ByteLimitValidator::ByteLimitValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), m_MaxBytes(maxBytes) {}

QValidator::State ByteLimitValidator::validate(QString& input, int&) const {
    return Gb18030Length(input.toStdString()) <= m_MaxBytes ? Acceptable : Invalid;
}
