#include "common/Failure.h"

#include <cstdio>
#include <exception>
#include <new>
#include <system_error>

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
        case FailureKind::Unexpected:
            return "Unexpected failure";
    }
    return "Failure";
}

Failure::Failure(FailureKind kind, const std::string& what)
    : std::runtime_error(what), kind_(kind) {}

Failure CurrentFailure() {
    try {
        throw;
    } catch (const Failure& failure) {
        return failure;
    } catch (const std::bad_alloc&) {
        return Failure(FailureKind::Unexpected, "out of memory");
    } catch (const std::system_error& error) {
        return Failure(FailureKind::Unexpected,
                       std::string("the system refused an operation: ") + error.what());
    } catch (const std::exception& error) {
        return Failure(FailureKind::Unexpected, error.what());
    } catch (...) {
        return Failure(FailureKind::Unexpected, "an exception of unknown type");
    }
}

void PrintFailure(const Failure& failure) {
    std::fprintf(stderr, "kelpov: %s: %s\n", FailureKindName(failure.kind()).data(),
                 failure.what());
}
