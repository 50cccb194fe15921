#include "common/Failure.h"

std::string_view FailureKindName(FailureKind kind) {
    switch (kind) {
        case FailureKind::Type:
            return "Type failure";
        case FailureKind::Overflow:
            return "Overflow failure";
        case FailureKind::Range:
            return "Range failure";
        case FailureKind::FloatingPoint:
            return "Floating-point failure";
        case FailureKind::File:
            return "File failure";
        case FailureKind::Control:
            return "Control failure";
    }
    return "Failure";
}

Failure::Failure(FailureKind kind, const std::string& what)
    : std::runtime_error(what), kind_(kind) {}
