#pragma once
// CustomJuliaSetFrm: the dialog that asks for the two parameters of the Custom Julia picture,
// f(z) = z^2 + x + y*i, and reports whether the user confirmed them.

#include "Form.h"
#include "FormRestorer.h"
#include "FloatEdit.h"

class QDialog;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TCustomJuliaSetForm : public TForm {
public:
    // The dialog stacks over parentWindow (may be null). FormRestorer1 keeps
    // its position below configKey, the main window's AppConfigKey1, and has
    // restored it when the constructor returns.
    TCustomJuliaSetForm(QWidget* parentWindow, TCustomKey* configKey);

    QDialog* Dialog() const;

    QWidget* Panel3;
    QPlainTextEdit* Memo1;
    QWidget* Panel4;
    QLabel* Label1;
    TFloatEdit* FloatEdit1;
    QLabel* Label2;
    TFloatEdit* FloatEdit2;
    QFrame* Bevel1;
    QWidget* Panel1;
    QWidget* Panel2;
    QPushButton* OKBtn;
    QPushButton* Button1;
    TFormRestorer* FormRestorer1;

private:
    void CreateMemo();
    void CreateParameters();
    void CreateButtons();
};

// Opens the dialog on x and y and, when the user confirms, reads x and then
// y back from it. Returns false, with x and y untouched, when the dialog was
// cancelled (Cancel, Esc, the close box). An edit whose text is not a number
// raises EConvertError "Invalid validation text" (after x has been read, when
// the fault is in y). The dialog is freed in every case.
bool ExecuteCustomJuliaDialog(double& x, double& y, QWidget* parentWindow, TCustomKey* configKey);

