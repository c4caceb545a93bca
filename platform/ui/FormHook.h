// The programs' own dialogs (forms) shown modally, with a hook through which tests fill them
// in and press their buttons.
//
// Every form a program shows modally goes through ExecForm(). Without a responder the form
// runs its own modal loop. With one installed (tests), the form is shown without a loop of
// its own, the responder acts on it as a user would (FormDriver) and returns; a form the
// responder left open is then closed as cancelled, so nothing ever waits for a person.
// A form opened by a button inside another form comes to the same responder.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <stdexcept>
#include <vector>

class QAbstractButton;
class QLineEdit;

namespace parlino::ui {

// Shows `form` modally and returns its result (QDialog::Accepted or Rejected).
int ExecForm(QDialog& form);

struct FormRequest {
    QString name;     // the form's class name, e.g. "parlino::TBoutForm"
    QString caption;  // its window title when it was shown
    int result = QDialog::Rejected;
    bool leftOpen = false;  // the responder returned without closing it
};

using FormResponder = std::function<void(QDialog& form)>;

// Installs a responder for the lifetime of this object and records every form shown.
// Only one may be active at a time; the main thread owns it.
class ScopedFormResponder {
public:
    explicit ScopedFormResponder(FormResponder responder);
    ~ScopedFormResponder();
    ScopedFormResponder(const ScopedFormResponder&) = delete;
    ScopedFormResponder& operator=(const ScopedFormResponder&) = delete;

    const std::vector<FormRequest>& requests() const { return requests_; }
    void clear() { requests_.clear(); }

    // Responders for the common cases: press the button of that object name; leave it open.
    static FormResponder clicking(const QString& buttonName);
    static FormResponder leavingOpen();

private:
    friend int ExecForm(QDialog&);
    FormResponder responder_;
    std::vector<FormRequest> requests_;
};

// A missing control named in a test's script.
class FormDriverError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Acts on a shown form's controls, found by their object names, as the user would.
class FormDriver {
public:
    explicit FormDriver(QWidget& form) : form_(form) {}

    template <typename T>
    T& child(const QString& name) const
    {
        T* found = form_.findChild<T*>(name);
        if (!found)
            throw FormDriverError("no control " + name.toStdString() + " in " +
                                  form_.metaObject()->className());
        return *found;
    }

    // Focuses the edit and replaces its text as if typed: the edit's validator applies and
    // its textEdited signal fires.
    void type(const QString& editName, const QString& text) const;
    // Clicks the button (push, radio or check button); a disabled one does nothing.
    void click(const QString& buttonName) const;

private:
    QWidget& form_;
};

}  // namespace parlino::ui
