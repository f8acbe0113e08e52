#pragma once

#include <QImage>
#include <QPushButton>

// A push button drawn flat with a thin raised frame, showing a small picture
// followed by its caption, the two centred together. Dialogs use it for their
// OK, exit and action buttons.
class CImageButton : public QPushButton {
    Q_OBJECT
public:
    explicit CImageButton(QWidget* parent = nullptr);
    explicit CImageButton(const QString& text, QWidget* parent = nullptr);

    // Shows bitmap `bitmapId` (see ResourceImages.h; 0 shows none) at
    // width x height pixels, `gap` pixels before the caption. White in the
    // picture is transparent.
    void SetImage(int bitmapId, int width, int height, int gap = 0);

    int BitmapId() const { return m_BitmapId; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RenderImage();

    int m_Gap = 0;
    int m_ImageHeight = 0;
    int m_ImageWidth = 0;
    int m_BitmapId = 0;
    QImage m_Image; // the picture ready to draw, rendered for the screen's density
};
