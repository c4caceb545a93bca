// A scope guard for closing parts that may fail themselves: the closing part runs when the
// scope ends, also when an error leaves it, and its own error is raised only when no other
// error is on its way (the first error is the one worth reporting).
#pragma once

#include <exception>
#include <utility>

namespace parlino {

template <typename Closing>
class Finally {
public:
    explicit Finally(Closing closing)
        : closing_(std::move(closing)), errorsAtStart_(std::uncaught_exceptions())
    {
    }
    ~Finally() noexcept(false)
    {
        try {
            closing_();
        } catch (...) {
            if (std::uncaught_exceptions() == errorsAtStart_)
                throw;
        }
    }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    Closing closing_;
    int errorsAtStart_;
};

}  // namespace parlino
