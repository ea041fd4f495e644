#include "AboutBox.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace {

QFont LabelFont(bool bold)
{
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    return font;
}

QLabel* NewLabel(QWidget* parent, const QString& caption, const QRect& geometry, bool bold, bool wordWrap = false)
{
    auto* label = new QLabel(caption, parent);
    label->setFont(LabelFont(bold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(wordWrap);
    label->setTextFormat(Qt::PlainText);
    if (geometry.isValid())
        label->setGeometry(geometry);
    else {
        // Sized to its caption, as it shows a text of its own.
        label->move(geometry.topLeft());
        label->adjustSize();
    }
    return label;
}

// A lowered bevel line.
QFrame* NewBevel(QWidget* parent, const QRect& geometry)
{
    auto* line = new QFrame(parent);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setLineWidth(1);
    line->setGeometry(geometry);
    return line;
}

// A label at a position only, sized by its caption.
QRect At(int left, int top)
{
    return QRect(QPoint(left, top), QSize());
}

} // namespace

QPixmap DecorativeStrip(int width)
{
    QPixmap strip(width, 6);
    QPainter painter(&strip);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0.0, QColor(0, 51, 153));
    gradient.setColorAt(0.6, QColor(96, 140, 210));
    gradient.setColorAt(1.0, QColor(230, 236, 245));
    painter.fillRect(0, 0, width, 4, gradient);
    painter.fillRect(0, 4, width, 2, QColor(255, 255, 255));
    painter.fillRect(0, 4, width, 1, QColor(128, 128, 128));
    return strip;
}

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(ClientWidth, ClientHeight);
    setSizeGripEnabled(false);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 0, ClientWidth, 65);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(10, 10, 32, 32);
    ProgramIcon->setScaledContents(true);
    ProductName = NewLabel(Panel1, QStringLiteral("Product Name"), QRect(112, 10, 272, 13), true);
    Version = NewLabel(Panel1, QStringLiteral("Version"), QRect(112, 26, 272, 13), false);
    Copyright = NewLabel(Panel1, QStringLiteral("Copyright"), QRect(112, 42, 272, 13), false);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 65, ClientWidth, 6);
    Image1->setPixmap(DecorativeStrip(412));

    Comments = NewLabel(this, QStringLiteral("Comments"), QRect(112, 82, 272, 31), true, true);
    Panel4 = NewBevel(this, QRect(112, 112, 292, 2));
    WinType = NewLabel(this, QString(), QRect(112, 128, 273, 13), true, true);
    WinVersion = NewLabel(this, QString(), QRect(112, 144, 273, 13), false, true);
    PlusVersion = NewLabel(this, QString(), QRect(112, 160, 273, 13), false, true);
    Panel2 = NewBevel(this, QRect(112, 184, 292, 2));
    UserLabel = NewLabel(this, QStringLiteral("User:"), At(112, 200), true);
    UserName = NewLabel(this, QString(), QRect(224, 200, 163, 13), false);
    CompanyLabel = NewLabel(this, QStringLiteral("Company:"), At(112, 216), true);
    CompanyName = NewLabel(this, QString(), QRect(224, 216, 164, 13), false);
    Panel3 = NewBevel(this, QRect(112, 240, 292, 2));
    DiskFreeSpaceLabel = NewLabel(this, QStringLiteral("Disk free space:"), At(112, 256), true);
    FreeDisk = NewLabel(this, QString(), QRect(296, 256, 91, 13), false);

    Label5 = NewLabel(this, QStringLiteral("Free Memory:"), At(112, 272), true);
    FreeMemory = NewLabel(this, QString(), QRect(224, 272, 163, 13), false);
    Label6 = NewLabel(this, QStringLiteral("Free Resources:"), At(112, 288), true);
    FreeResources = NewLabel(this, QString(), QRect(224, 288, 163, 13), false);
    for (QLabel* hidden : {Label5, FreeMemory, Label6, FreeResources}) hidden->hide();

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(328, 296, 76, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) ApplicationEvents1Activate();
    });
}

void TAboutBox::ApplicationEvents1Activate()
{
    if (!isVisible()) return;
    raise();
    activateWindow();
}
