#include "ImageView.h"

#include <QPainter>

TImageControl::TImageControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImageControl::SetPicture(QImage picture)
{
    picture_ = std::move(picture);
    update(); // painted when the event loop next runs, never inside a render
}

void TImageControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}
