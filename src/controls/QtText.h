#pragma once
// The widgets speak QString, the core UTF-8 std::string: the two short ways
// across.

#include <QString>

#include <string>

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}
