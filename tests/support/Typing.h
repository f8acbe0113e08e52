#pragma once
// Types text into a widget one character at a time, as a keyboard or an
// input method delivers it; QTest's own typing knows only ASCII.

#include <QTest>

inline void TypeText(QWidget* widget, const QString& text) {
    for (const uint code : text.toUcs4()) {
        const QString character = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, character, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, character, Qt::NoModifier);
    }
}

inline void TypeText(QWidget* widget, const char* utf8) {
    TypeText(widget, QString::fromUtf8(utf8));
}
