#pragma once
// The image control: shows a picture unscaled at its top-left corner.

#include <QImage>
#include <QWidget>

class TImageControl : public QWidget {
public:
    explicit TImageControl(QWidget* parent = nullptr);
    const QImage& Picture() const { return picture_; }
    void SetPicture(QImage picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};
