#include "platform/ui/FormHook.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace parlino::ui {

namespace {
ScopedFormResponder* activeResponder = nullptr;
}  // namespace

int ExecForm(QDialog& form)
{
    if (!activeResponder)
        return form.exec();
    ScopedFormResponder& hook = *activeResponder;
    // Recorded in the order shown: a form opened from this one comes after it.
    const std::size_t slot = hook.requests_.size();
    hook.requests_.push_back(
        {QString::fromLatin1(form.metaObject()->className()), form.windowTitle()});
    bool finished = false;
    const auto connection = QObject::connect(&form, &QDialog::finished, &form,
                                             [&finished] { finished = true; });
    form.setResult(QDialog::Rejected);
    form.show();
    hook.responder_(form);
    QObject::disconnect(connection);
    if (!finished)
        form.done(QDialog::Rejected);
    if (slot < hook.requests_.size()) {  // the test may have cleared the record meanwhile
        hook.requests_[slot].leftOpen = !finished;
        hook.requests_[slot].result = form.result();
    }
    return form.result();
}

ScopedFormResponder::ScopedFormResponder(FormResponder responder) : responder_(std::move(responder))
{
    Q_ASSERT(activeResponder == nullptr);
    activeResponder = this;
}

ScopedFormResponder::~ScopedFormResponder()
{
    activeResponder = nullptr;
}

FormResponder ScopedFormResponder::clicking(const QString& buttonName)
{
    return [buttonName](QDialog& form) { FormDriver(form).click(buttonName); };
}

FormResponder ScopedFormResponder::leavingOpen()
{
    return [](QDialog&) {};
}

void FormDriver::type(const QString& editName, const QString& text) const
{
    auto& edit = child<QLineEdit>(editName);
    edit.setFocus(Qt::OtherFocusReason);
    edit.selectAll();
    edit.del();
    for (const QChar c : text)
        edit.insert(QString(c));
}

void FormDriver::click(const QString& buttonName) const
{
    child<QAbstractButton>(buttonName).click();
}

}  // namespace parlino::ui
