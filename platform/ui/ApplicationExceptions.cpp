#include "platform/ui/ApplicationExceptions.h"

#include "platform/ui/Dialogs.h"

#include <vector>

namespace parlino::ui {

namespace {
// Handlers in the order installed; the last one answers. Windows may close in any order.
std::vector<const ApplicationExceptionHandler*>& Installed()
{
    static std::vector<const ApplicationExceptionHandler*> handlers;
    return handlers;
}
}  // namespace

ControlError MaskInputError()
{
    return ControlError(ControlError::Kind::MaskInput,
                        QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
}

ControlError GridKeyError()
{
    return ControlError(ControlError::Kind::GridKey,
                        QStringLiteral("Key may not contain equals sign (\"=\")"));
}

void HandleApplicationException(QWidget* control, const std::exception& error)
{
    if (!Installed().empty()) {
        (*Installed().back())(control, error);
        return;
    }
    ShowError(QString::fromLocal8Bit(error.what()));
}

ScopedApplicationExceptionHandler::ScopedApplicationExceptionHandler(
    ApplicationExceptionHandler handler)
    : handler_(std::move(handler))
{
    Installed().push_back(&handler_);
}

ScopedApplicationExceptionHandler::~ScopedApplicationExceptionHandler()
{
    std::erase(Installed(), &handler_);
}

}  // namespace parlino::ui
