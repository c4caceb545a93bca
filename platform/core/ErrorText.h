// The text by which an error is shown to the user.
#pragma once

#include <QString>

#include <exception>

namespace parlino {

// The error's message, or "Unknown error" for what carries none.
QString errorText(std::exception_ptr error);

}  // namespace parlino
