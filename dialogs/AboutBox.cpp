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

// The labels as the box's design has them, in the order they are made. A
// position without a size: the label is sized by its caption.
struct TLabelDesign {
    QLabel* TAboutBox::*Member;
    const char* Name;
    bool OnPanel; // on the white panel, else on the box
    const char* Caption;
    QRect Geometry;
    bool Bold, WordWrap;
};
constexpr QRect At(int left, int top) { return QRect(QPoint(left, top), QSize()); }
const TLabelDesign LabelDesigns[] = {
    {&TAboutBox::ProductName, "ProductName", true, "Product Name", {112, 10, 272, 13}, true, false},
    {&TAboutBox::Version, "Version", true, "Version", {112, 26, 272, 13}, false, false},
    {&TAboutBox::Copyright, "Copyright", true, "Copyright", {112, 42, 272, 13}, false, false},
    {&TAboutBox::Comments, "Comments", false, "Comments", {112, 82, 272, 31}, true, true},
    {&TAboutBox::WinType, "WinType", false, "", {112, 128, 273, 13}, true, true},
    {&TAboutBox::WinVersion, "WinVersion", false, "", {112, 144, 273, 13}, false, true},
    {&TAboutBox::PlusVersion, "PlusVersion", false, "", {112, 160, 273, 13}, false, true},
    {&TAboutBox::UserLabel, "UserLabel", false, "User:", At(112, 200), true, false},
    {&TAboutBox::UserName, "UserName", false, "", {224, 200, 163, 13}, false, false},
    {&TAboutBox::CompanyLabel, "CompanyLabel", false, "Company:", At(112, 216), true, false},
    {&TAboutBox::CompanyName, "CompanyName", false, "", {224, 216, 164, 13}, false, false},
    {&TAboutBox::DiskFreeSpaceLabel, "DiskFreeSpaceLabel", false, "Disk free space:", At(112, 256), true, false},
    {&TAboutBox::FreeDisk, "FreeDisk", false, "", {296, 256, 91, 13}, false, false},
    // Kept from earlier versions of the box, hidden.
    {&TAboutBox::Label5, "Label5", false, "Free Memory:", At(112, 272), true, false},
    {&TAboutBox::FreeMemory, "FreeMemory", false, "", {224, 272, 163, 13}, false, false},
    {&TAboutBox::Label6, "Label6", false, "Free Resources:", At(112, 288), true, false},
    {&TAboutBox::FreeResources, "FreeResources", false, "", {224, 288, 163, 13}, false, false},
};

// The lowered bevel lines between the groups of facts.
struct TBevelDesign {
    QFrame* TAboutBox::*Member;
    const char* Name;
    QRect Geometry;
};
const TBevelDesign BevelDesigns[] = {
    {&TAboutBox::Panel4, "Panel4", {112, 112, 292, 2}},
    {&TAboutBox::Panel2, "Panel2", {112, 184, 292, 2}},
    {&TAboutBox::Panel3, "Panel3", {112, 240, 292, 2}},
};

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
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, ClientWidth, 65);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setGeometry(10, 10, 32, 32);
    ProgramIcon->setScaledContents(true);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 65, ClientWidth, 6);
    Image1->setPixmap(DecorativeStrip(412));

    for (const TLabelDesign& design : LabelDesigns) {
        QLabel* label = NewLabel(design.OnPanel ? Panel1 : this, QString::fromLatin1(design.Caption), design.Geometry,
                                 design.Bold, design.WordWrap);
        label->setObjectName(design.Name);
        this->*design.Member = label;
    }
    for (QLabel* hidden : {Label5, FreeMemory, Label6, FreeResources}) hidden->hide();
    for (const TBevelDesign& design : BevelDesigns) {
        this->*design.Member = NewBevel(this, design.Geometry);
        (this->*design.Member)->setObjectName(design.Name);
    }

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName("Button1");
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
