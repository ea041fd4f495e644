#include "ModalDialog.h"

#include <QDialog>

#include <utility>

namespace {

TModalRunner& Runner()
{
    static TModalRunner runner;
    return runner;
}

} // namespace

int RunModal(QDialog& dialog)
{
    return Runner() ? Runner()(dialog) : dialog.exec();
}

TModalRunner SetModalRunner(TModalRunner runner)
{
    return std::exchange(Runner(), std::move(runner));
}
