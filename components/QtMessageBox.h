#pragma once
// The message box of platforms without the Windows one: a Qt box with the
// same buttons in the same order, icon, default button, alignment, owner and
// button codes, and the same rules for Esc and the close box.

#include <QMessageBox>

#include <utility>
#include <vector>

#include "MessageBox.h"

class QPushButton;

class TQtMessageBox : public QMessageBox {
public:
    // The box for these flags, not shown yet.
    TQtMessageBox(const TMessageBoxRequest& request, QWidget* parent = nullptr);

    // The platform's code of the button that closed the box; 0 while none has.
    int ButtonCode() const;

private:
    // The buttons in the platform's order, with their codes.
    std::vector<std::pair<QPushButton*, int>> buttons_;
};

// Shows the box with the owner the request names and waits until it is
// closed; the user-interface thread goes on processing events meanwhile.
int ShowQtMessageBox(const TMessageBoxRequest& request);
