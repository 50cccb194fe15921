#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "common/Failure.h"
#include "picker/Picker.h"

// A Picker is four arrays of 20001 slots: too large to keep on the stack.
inline std::unique_ptr<Picker> NewPicker() {
    return std::make_unique<Picker>();
}

inline std::ostream& operator<<(std::ostream& out, FailureKind kind) {
    return out << FailureKindName(kind);
}

// What an action threw: the failure kind and its message, or no kind when it completed.
struct Caught {
    std::optional<FailureKind> kind;
    std::string message;
};

template <class Action>
Caught Catch(Action&& action) {
    try {
        std::forward<Action>(action)();
    } catch (const Failure& failure) {
        return {failure.kind(), failure.what()};
    }
    return {};
}

template <class Action>
std::optional<FailureKind> FailureOf(Action&& action) {
    return Catch(std::forward<Action>(action)).kind;
}

// The bytes of a file, or nothing when there is no such file.
inline std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    if (!std::filesystem::exists(path)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether two files hold the same bytes. A failure shows where they first differ: a full diff of
// files of thousands of lines would take minutes.
inline testing::AssertionResult SameBytes(const std::optional<std::string>& actual,
                                          const std::optional<std::string>& expected) {
    if (actual == expected) {
        return testing::AssertionSuccess();
    }
    std::size_t at = 0;
    if (actual && expected) {
        const auto [a, e] = std::ranges::mismatch(*actual, *expected);
        at = static_cast<std::size_t>(a - actual->begin());
        at = at > 20 ? at - 20 : 0;
    }
    const auto shown = [at](const std::optional<std::string>& bytes) {
        if (!bytes) {
            return std::string("no file");
        }
        return testing::PrintToString(bytes->substr(std::min(at, bytes->size()), 60)) + " (" +
               std::to_string(bytes->size()) + " bytes)";
    };
    return testing::AssertionFailure()
           << "from byte " << at << ": got " << shown(actual) << ", expected " << shown(expected);
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The print form of a number, written out here independently of the engine's own.
inline std::string Printed(int value) {
    return (value < 0 ? "-" : " ") + std::to_string(std::abs(value)) + " ";
}

inline const std::string Header = "Item      Quantity\r\n";

// The bytes of a result file: the header, then one line per (item, count).
template <class Pairs>
std::string ResultBytes(const Pairs& lines) {
    std::string bytes = Header;
    for (const auto& [item, count] : lines) {
        bytes += Printed(item) + Printed(count) + "\r\n";
    }
    return bytes;
}

// A fresh empty directory that is the current directory while the object lives: every file of a
// run is written by its bare name into the current directory.
class ScratchDir {
public:
    ScratchDir() : previous_(std::filesystem::current_path()) {
        static int made = 0;
        const auto base = std::filesystem::temp_directory_path();
        do {
            path_ =
                base / ("kelpov-test-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
        } while (!std::filesystem::create_directory(path_));
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

class InScratchDir : public ::testing::Test {
private:
    ScratchDir dir_;
};
