// Which message the softphone shows for an error that reached its exception display.
//
// Errors typed into the dialogs' special fields get a message of their own: a bad Client ID
// (tag 1), a bad IP address octet (tag 2), "=" in a contact or order name (tag 3, after
// which the "=" just typed is deleted). Anything else shows its own message in the
// application's standard error display.
#pragma once

#include <QString>

#include <exception>

class QWidget;

namespace parlino {

struct ExceptionResponse {
    bool standard = true;          // the standard display with the error's own text
    QString text;                  // the message shown
    QString caption;               // empty for the standard display
    bool deleteTypedChar = false;  // post a Backspace to the control afterwards
};

ExceptionResponse ChooseExceptionResponse(const QWidget* control, const std::exception& error);

}  // namespace parlino
