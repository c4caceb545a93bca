#include "client/ExceptionRules.h"

#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"

namespace parlino {

namespace {
ExceptionResponse ErrorBox(const QString& text, bool deleteTypedChar = false)
{
    return {false, text, QStringLiteral("Error"), deleteTypedChar};
}
}  // namespace

ExceptionResponse ChooseExceptionResponse(const QWidget* control, const std::exception& error)
{
    const QString message = QString::fromLocal8Bit(error.what());
    const int controlTag = ui::tag(control);
    const auto* controlError = dynamic_cast<const ui::ControlError*>(&error);
    if (controlError && controlError->kind() == ui::ControlError::Kind::MaskInput &&
        message == QString::fromLocal8Bit(ui::MaskInputError().what())) {
        if (controlTag == 1)
            return ErrorBox(QStringLiteral("Invalid Client_ID number"));
        if (controlTag == 2)
            return ErrorBox(QStringLiteral("IP address error"));
    }
    if (message == QString::fromLocal8Bit(ui::GridKeyError().what()) && controlTag == 3)
        return ErrorBox(QStringLiteral("Name may not contain\r\nequals sign (\"=\")"), true);
    return {true, message, {}, false};
}

}  // namespace parlino
