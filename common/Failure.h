#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The six ways a step of a run can fail. Nothing recovers from a failure: it travels up to the
// window, which reports it and ends the program.
enum class FailureKind { Type, Overflow, Range, FloatingPoint, File, Control };

// The name a user reads for a failure kind, such as "File failure".
std::string_view FailureKindName(FailureKind kind);

// The one exception type of the program: a failure kind and what failed.
class Failure : public std::runtime_error {
public:
    Failure(FailureKind kind, const std::string& what);

    FailureKind kind() const noexcept { return kind_; }

private:
    FailureKind kind_;
};
