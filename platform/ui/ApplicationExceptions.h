// Errors raised by a control while the user works in it (a masked edit left with an
// incomplete value, "=" typed into a name) reach one application-wide handler together
// with the control, the way every program window shows what went wrong in one place.
//
// A program installs its handler once its main window exists; without one, the error goes
// to the standard error display. The handler runs inside the control's event handling, so
// it must not open a modal box there: it queues whatever it shows.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <stdexcept>

namespace parlino::ui {

// An error of a control's input. The message is the text shown to the user.
class ControlError : public std::runtime_error {
public:
    enum class Kind { MaskInput, GridKey };
    ControlError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind)
    {
    }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// The masked edit's error for a value that leaves a required position empty.
ControlError MaskInputError();
// The name grid's error for a name that would contain "=".
ControlError GridKeyError();

// `control` is the widget the user typed in: its tag and form tell the handler what to show.
using ApplicationExceptionHandler =
    std::function<void(QWidget* control, const std::exception& error)>;

// Hands an error to the installed handler, else to the standard error display.
void HandleApplicationException(QWidget* control, const std::exception& error);

// Installs `handler` for the lifetime of this object; while several are installed the
// latest answers. Main thread only.
class ScopedApplicationExceptionHandler {
public:
    explicit ScopedApplicationExceptionHandler(ApplicationExceptionHandler handler);
    ~ScopedApplicationExceptionHandler();
    ScopedApplicationExceptionHandler(const ScopedApplicationExceptionHandler&) = delete;
    ScopedApplicationExceptionHandler& operator=(const ScopedApplicationExceptionHandler&) = delete;

private:
    ApplicationExceptionHandler handler_;
};

}  // namespace parlino::ui
