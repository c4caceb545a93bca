// The two ways a table operation can fail.
#pragma once

#include <stdexcept>
#include <string>

namespace parlino::dataset {

// A refused operation with a message for the operator (missing or damaged file, value out
// of range, required field empty, wrong state).
class DatasetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A silent abort: the operation is abandoned and nothing further is shown. A validation hook
// throws it after it has told the operator itself.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace parlino::dataset
