#pragma once
// Qt's side of TextContrast.h: widgets pass the colour they mean to draw text
// in and the background it lands on.

#include "controls/TextContrast.h"

#include <QColor>

inline QColor ReadableTextColor(const QColor& text, const QColor& background) {
    const TextRgb readable =
        ReadableTextColor(TextRgb{text.red(), text.green(), text.blue()},
                          TextRgb{background.red(), background.green(), background.blue()});
    return QColor(readable.red, readable.green, readable.blue);
}
