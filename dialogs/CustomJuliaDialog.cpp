#include "CustomJuliaDialog.h"

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <limits>
#include <memory>

#include "WindowFrame.h"

namespace {

QWidget* MakePanel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    return panel;
}

// The dialog's design, top to bottom: Panel3 (the memo above Panel4 with the
// edits), the bevel line, the button strip Panel1 with Panel2 at its right.
constexpr int ClientWidth = 352, ClientHeight = 264;
constexpr int StripHeight = 41, BevelHeight = 2, BorderWidth = 8, MemoHeight = 113;
constexpr int StripTop = ClientHeight - StripHeight, BevelTop = StripTop - BevelHeight;
constexpr int InnerWidth = ClientWidth - 2 * BorderWidth, Panel4Top = BorderWidth + MemoHeight;
constexpr int Panel2Width = 253;

constexpr QRect Panel3Geometry(0, 0, ClientWidth, BevelTop);
constexpr QRect MemoGeometry(BorderWidth, BorderWidth, InnerWidth, MemoHeight);
constexpr QRect Panel4Geometry(BorderWidth, Panel4Top, InnerWidth, BevelTop - BorderWidth - Panel4Top);
constexpr QRect BevelGeometry(0, BevelTop, ClientWidth, BevelHeight);
constexpr QRect Panel1Geometry(0, StripTop, ClientWidth, StripHeight);
constexpr QRect Panel2Geometry(ClientWidth - Panel2Width, 0, Panel2Width, StripHeight);

const char* const MemoText = "Calculate a custom Julia set:\n"
                             " f(z) = z^2 + x + y*i\n"
                             "\n"
                             "For example:\n"
                             "x = -0.39054\n"
                             "y = -0.58679\n"
                             "<siegel>";

// A parameter's label and edit on Panel4, on one line: the label is as high
// as the edit.
struct TParameterDesign {
    QLabel* TCustomJuliaSetForm::*Label;
    const char* LabelName;
    const char* Caption;
    TFloatEdit* TCustomJuliaSetForm::*Edit;
    const char* EditName;
    int Top;
    long double Value;
};
const TParameterDesign ParameterDesigns[] = {
    {&TCustomJuliaSetForm::Label1, "Label1", "x: ", &TCustomJuliaSetForm::FloatEdit1, "FloatEdit1", 16, -0.39054L},
    {&TCustomJuliaSetForm::Label2, "Label2", "y: ", &TCustomJuliaSetForm::FloatEdit2, "FloatEdit2", 48, -0.58679L},
};

// The buttons on Panel2: OK accepts and is the default, Cancel rejects.
struct TButtonDesign {
    QPushButton* TCustomJuliaSetForm::*Member;
    const char* Name;
    const char* Caption;
    int Left;
    bool Accepts;
};
const TButtonDesign ButtonDesigns[] = {
    {&TCustomJuliaSetForm::OKBtn, "OKBtn", "OK", 72, true},
    {&TCustomJuliaSetForm::Button1, "Button1", "Cancel", 160, false},
};

} // namespace

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
    MoveFrameOnScreen(dialog, QPoint(335, 253));

    CreateMemo();
    CreateParameters();
    CreateButtons();
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

void TCustomJuliaSetForm::CreateMemo()
{
    Panel3 = MakePanel(Dialog(), "Panel3", Panel3Geometry);
    Memo1 = new QPlainTextEdit(Panel3);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(MemoGeometry);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    Memo1->setTabChangesFocus(true);
    Memo1->setPlainText(MemoText);
}

void TCustomJuliaSetForm::CreateParameters()
{
    Panel4 = MakePanel(Panel3, "Panel4", Panel4Geometry);
    for (const TParameterDesign& design : ParameterDesigns) {
        auto* label = new QLabel(design.Caption, Panel4);
        label->setObjectName(design.LabelName);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setGeometry(16, design.Top, 24, 21);
        auto* edit = new TFloatEdit(Panel4);
        edit->setObjectName(design.EditName);
        edit->setGeometry(40, design.Top, 121, 21);
        edit->SetValue(design.Value);
        // The edits feed doubles: a number beyond a double's range (1e309 is a
        // valid long double) is out of bounds, as any other bound would be.
        edit->SetMinValue(-std::numeric_limits<double>::max());
        edit->SetMaxValue(std::numeric_limits<double>::max());
        edit->SetUseBounds(true);
        label->setBuddy(edit);
        this->*design.Label = label;
        this->*design.Edit = edit;
    }
}

void TCustomJuliaSetForm::CreateButtons()
{
    // A lowered line along the bevel's bottom edge.
    Bevel1 = new QFrame(Dialog());
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(BevelGeometry);

    Panel1 = MakePanel(Dialog(), "Panel1", Panel1Geometry);
    Panel2 = MakePanel(Panel1, "Panel2", Panel2Geometry);
    for (const TButtonDesign& design : ButtonDesigns) {
        auto* button = new QPushButton(design.Caption, Panel2);
        button->setObjectName(design.Name);
        button->setGeometry(design.Left, 8, 75, 25);
        button->setDefault(design.Accepts);
        QObject::connect(button, &QPushButton::clicked, Dialog(), design.Accepts ? &QDialog::accept : &QDialog::reject);
        this->*design.Member = button;
    }
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
    if (form->Dialog()->exec() != QDialog::Accepted) return false;
    x = static_cast<double>(form->FloatEdit1->Value());
    y = static_cast<double>(form->FloatEdit2->Value());
    return true;
}
