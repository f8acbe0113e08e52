#pragma once

#include <QFontMetrics>
#include <QStackedWidget>

// The views one above the other. It asks for at least the room the largest
// view needs, the address book with its fourteen fields and row of six
// buttons, before that view is first shown: the window's smallest size shows
// every view whole and stays the same whichever view is shown.
class ViewStack : public QStackedWidget {
public:
    explicit ViewStack(QWidget* parent) : QStackedWidget(parent) {}
    QSize minimumSizeHint() const override {
        const QFontMetrics metrics = fontMetrics();
        const QSize room(metrics.horizontalAdvance(QString(58, QChar(0x4E00))),
                         metrics.lineSpacing() * 31);
        return QStackedWidget::minimumSizeHint().expandedTo(room);
    }
};
