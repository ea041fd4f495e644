#include "CustomJuliaSetFrm.h"

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <limits>
#include <memory>

#include "ModalDialog.h"

namespace {

TShowModalHook& ShowModalHook()
{
    static TShowModalHook hook;
    return hook;
}

int ShowModal(TCustomJuliaSetForm& form)
{
    if (ShowModalHook()) return ShowModalHook()(form);
    return RunModal(*form.Dialog());
}

QWidget* MakePanel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    return panel;
}

constexpr int ClientWidth = 352, ClientHeight = 264;
constexpr int StripHeight = 41, BevelHeight = 2, BorderWidth = 8, MemoHeight = 113;

} // namespace

TShowModalHook SetCustomJuliaShowModal(TShowModalHook hook)
{
    TShowModalHook previous = std::move(ShowModalHook());
    ShowModalHook() = std::move(hook);
    return previous;
}

TCustomJuliaSetForm::TCustomJuliaSetForm(QWidget* parentWindow, TCustomKey* configKey)
    : TForm(new QDialog(parentWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint))
{
    SetName("CustomJuliaSetForm");
    QDialog* dialog = Dialog();
    dialog->setObjectName("CustomJuliaSetForm");
    dialog->setWindowTitle("Cusom Julia set");
    QFont font("MS Sans Serif", 8);
    font.setStyleHint(QFont::SansSerif);
    dialog->setFont(font);
    dialog->setFixedSize(ClientWidth, ClientHeight);
    dialog->move(335, 253);

    // Top to bottom: Panel3 (the memo above Panel4 with the edits), the
    // bevel line, the button strip Panel1.
    const int stripTop = ClientHeight - StripHeight;
    const int bevelTop = stripTop - BevelHeight;
    Panel3 = MakePanel(dialog, "Panel3", QRect(0, 0, ClientWidth, bevelTop));
    const int innerWidth = ClientWidth - 2 * BorderWidth;
    Memo1 = new QPlainTextEdit(Panel3);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(BorderWidth, BorderWidth, innerWidth, MemoHeight);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    Memo1->setTabChangesFocus(true);
    Memo1->setPlainText("Calculate a custom Julia set:\n"
                        " f(z) = z^2 + x + y*i\n"
                        "\n"
                        "For example:\n"
                        "x = -0.39054\n"
                        "y = -0.58679\n"
                        "<siegel>");
    const int panel4Top = BorderWidth + MemoHeight;
    Panel4 = MakePanel(Panel3, "Panel4", QRect(BorderWidth, panel4Top, innerWidth, bevelTop - BorderWidth - panel4Top));

    Label1 = new QLabel("x: ", Panel4);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label1->setGeometry(16, 16, 24, 21); // as high as the edit: the texts share a line
    FloatEdit1 = new TFloatEdit(Panel4);
    FloatEdit1->setObjectName("FloatEdit1");
    FloatEdit1->setGeometry(40, 16, 121, 21);
    FloatEdit1->SetValue(-0.39054L);
    Label1->setBuddy(FloatEdit1);
    Label2 = new QLabel("y: ", Panel4);
    Label2->setObjectName("Label2");
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label2->setGeometry(16, 48, 24, 21);
    FloatEdit2 = new TFloatEdit(Panel4);
    FloatEdit2->setObjectName("FloatEdit2");
    FloatEdit2->setGeometry(40, 48, 121, 21);
    FloatEdit2->SetValue(-0.58679L);
    Label2->setBuddy(FloatEdit2);

    // A lowered line along the bevel's bottom edge.
    Bevel1 = new QFrame(dialog);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, bevelTop, ClientWidth, BevelHeight);

    Panel1 = MakePanel(dialog, "Panel1", QRect(0, stripTop, ClientWidth, StripHeight));
    constexpr int panel2Width = 253;
    Panel2 = MakePanel(Panel1, "Panel2", QRect(ClientWidth - panel2Width, 0, panel2Width, StripHeight));
    OKBtn = new QPushButton("OK", Panel2);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(72, 8, 75, 25);
    OKBtn->setDefault(true);
    QObject::connect(OKBtn, &QPushButton::clicked, dialog, &QDialog::accept);
    Button1 = new QPushButton("Cancel", Panel2);
    Button1->setObjectName("Button1");
    Button1->setGeometry(160, 8, 75, 25);
    QObject::connect(Button1, &QPushButton::clicked, dialog, &QDialog::reject);

    // The edits feed doubles: a number beyond a double's range (1e309 is a
    // valid long double) is out of bounds, as any other bound would be.
    for (TFloatEdit* edit : {FloatEdit1, FloatEdit2}) {
        edit->SetMinValue(-std::numeric_limits<double>::max());
        edit->SetMaxValue(std::numeric_limits<double>::max());
        edit->SetUseBounds(true);
    }

    QWidget::setTabOrder(FloatEdit1, FloatEdit2);
    QWidget::setTabOrder(FloatEdit2, OKBtn);
    QWidget::setTabOrder(OKBtn, Button1);
    FloatEdit1->setFocus();

    // The stored position replaces the designed one before the first show.
    BeginLoading();
    FormRestorer1 = new TFormRestorer(this);
    FormRestorer1->SetName("FormRestorer1");
    FormRestorer1->SetParentKey(configKey);
    FormRestorer1->SetRestoring(TFormRestorerOption::frPositionOnly);
    EndLoading();
}

QDialog* TCustomJuliaSetForm::Dialog() const
{
    return static_cast<QDialog*>(Window());
}

bool ExecuteCustomJuliaDialog(double& x, double& y, QWidget* parentWindow, TCustomKey* configKey)
{
    const auto form = std::make_unique<TCustomJuliaSetForm>(parentWindow, configKey);
    form->FloatEdit1->SetValue(x);
    form->FloatEdit2->SetValue(y);
    if (ShowModal(*form) != QDialog::Accepted) return false;
    x = static_cast<double>(form->FloatEdit1->Value());
    y = static_cast<double>(form->FloatEdit2->Value());
    return true;
}
