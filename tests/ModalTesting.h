#pragma once
// Driving the program's real modal loops: a queued call finds the modal
// window once it is up (QApplication::activeModalWidget()), hands it to the
// test, which inspects it and closes it as a user would, and makes sure it
// closes. The call is withdrawn when the returned guard goes, so a window
// that never came up leaves nothing behind for the next test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using TModalUser = std::unique_ptr<QTimer>;

// user runs once on the next modal window of type TWindow, inside its loop.
template <class TWindow = QDialog>
[[nodiscard]] TModalUser WhenModal(std::function<void(TWindow&)> user)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(1);
    QTimer* t = timer.get();
    QObject::connect(t, &QTimer::timeout, [t, user = std::move(user)] {
        auto* window = dynamic_cast<TWindow*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible()) return;
        t->stop();
        QPointer<QWidget> shown = window;
        user(*window);
        // A dialog the test left open would hold its caller forever.
        if (shown && !QTest::qWaitFor([&] { return !shown || !shown->isVisible(); }, 5000)) {
            ADD_FAILURE() << "the modal window was left open";
            if (auto* dialog = qobject_cast<QDialog*>(shown.data())) dialog->reject();
        }
    });
    t->start();
    return timer;
}

// The user's answer in a save dialog: the file type, then the name typed in
// full; the name is taken as typed (Qt's questions about it are the dialog's
// own tests).
inline void AnswerSaveDialog(QFileDialog& dialog, const std::string& name, int filterIndex)
{
    dialog.selectNameFilter(dialog.nameFilters().value(filterIndex - 1));
    dialog.findChild<QLineEdit*>("fileNameEdit")->setText(QFile::decodeName(name.c_str()));
    static_cast<QDialog&>(dialog).done(QDialog::Accepted);
}
