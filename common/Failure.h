#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The ways a step of a run can fail: six that the run's own steps raise, and Unexpected for an
// exception from elsewhere (memory, a thread the system would not start). Nothing recovers from a
// failure: it travels up to the window, which reports it and ends the program.
enum class FailureKind { Type, Overflow, Range, FloatingPoint, File, Control, Unexpected };

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

// The failure's line on stderr: "kelpov: <kind>: <what failed>".
void PrintFailure(const Failure& failure);

// The exception being handled, as a Failure: itself, or any other exception as an unexpected
// failure that says what it was ("out of memory", the system's words). Only inside a catch block.
Failure CurrentFailure();
