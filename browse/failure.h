#pragma once

#include <exception>
#include <utility>

#include "dataaccess_api.h"

namespace browse {

// Carries a failing Status from the step that failed to the one place that
// reports it. Operations never catch it: the first failure ends them.
class Failure : public std::exception {
public:
    explicit Failure(dataaccess::Status status) noexcept : status_(std::move(status)) {}

    const dataaccess::Status& status() const noexcept { return status_; }
    const char* what() const noexcept override { return status_.description.c_str(); }

private:
    dataaccess::Status status_;
};

// Every call that reports a status is checked at once with this.
inline void Check(dataaccess::Status status) {
    if (!status.ok()) throw Failure(std::move(status));
}

}  // namespace browse
