#pragma once
// The image control: shows a picture unscaled at its top-left corner, one
// picture pixel on one pixel of the screen at any device pixel ratio.

#include <QImage>
#include <QWidget>

class TImageControl : public QWidget {
public:
    explicit TImageControl(QWidget* parent = nullptr);
    const QImage& Picture() const { return picture_; }
    void SetPicture(QImage picture);

    // The control's size in pixels of the screen; its size in Qt's
    // device-independent pixels follows the screen it is on.
    QSize PixelSize() const { return pixelSize_; }
    void SetPixelSize(QSize size);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FitToScreen();

    QImage picture_;
    QSize pixelSize_;
};
