#include "ImageView.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

TImageControl::TImageControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImageControl::SetPicture(QImage picture)
{
    picture_ = std::move(picture);
    update(); // painted when the event loop next runs, never inside a render
}

void TImageControl::SetPixelSize(QSize size)
{
    pixelSize_ = size;
    FitToScreen();
}

void TImageControl::FitToScreen()
{
    // Rounded up, so that no pixel of the picture is cut off at a ratio such as 1.5.
    const qreal ratio = devicePixelRatioF();
    setFixedSize(static_cast<int>(std::ceil(pixelSize_.width() / ratio)),
                 static_cast<int>(std::ceil(pixelSize_.height() / ratio)));
}

bool TImageControl::event(QEvent* event)
{
    if (event->type() == QEvent::ScreenChangeInternal) FitToScreen();
    return QWidget::event(event);
}

void TImageControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QImage shown = picture_; // shares the pixels
    shown.setDevicePixelRatio(painter.device()->devicePixelRatioF());
    painter.drawImage(0, 0, shown);
}
