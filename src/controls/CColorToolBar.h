#pragma once

#include <QPixmap>
#include <QToolBar>

#include <vector>

// The main window's toolbar. Its pictures come from one strip of equal-sized
// pictures side by side; the n-th button (separators do not count) shows the
// n-th picture.
class CColorToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CColorToolBar(QWidget* parent = nullptr);

    // Cuts the normal, hot (under the mouse) and disabled pictures from the
    // strips `normalId`, `hotId` and `disabledId` (bitmap numbers, see
    // ResourceImages.h) into pictures `imageWidth` pixels wide. The colour of
    // a strip's bottom-left pixel is transparent. A disabled id of 0 leaves the
    // disabled look to the toolbar. False when a strip cannot be loaded.
    bool SetTrueColorImages(int imageWidth, int normalId, int hotId, int disabledId);

    int ImageCount() const { return int(m_Normal.size()); }

protected:
    void actionEvent(QActionEvent* event) override;

private:
    void ApplyImages();

    std::vector<QPixmap> m_Normal;
    std::vector<QPixmap> m_Hot;
    std::vector<QPixmap> m_Disabled;
};

// Cuts a strip into pictures `imageWidth` pixels (times the strip's pixel
// ratio) wide; a part narrower than that at the right end is left out. Every
// pixel of the colour of the bottom-left pixel becomes transparent.
std::vector<QPixmap> CutImageStrip(const QImage& strip, int imageWidth);
