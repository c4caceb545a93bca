// The silent error: raised to give up an operation when the user needs no message.
// Worker threads end their pass on it without showing anything.
#pragma once

#include <stdexcept>

namespace parlino {

class AbortError : public std::runtime_error {
public:
    AbortError() : std::runtime_error("Operation aborted") {}
};

}  // namespace parlino
