#pragma once
// The application object and its default error handler.

#include <QApplication>

#include <exception>

// The application's default handler: the message, unchanged, in an error box
// captioned with the application title; the program goes on. Never throws.
void ShowException(const std::exception& e);

// Every handler catches its own errors; an exception that still reaches Qt's
// event dispatch is shown here instead of ending the program.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};
