#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/Failure.h"
#include "picker/Picker.h"

// A new Picker, on the heap: four arrays of 20001 slots, 160 KB, and a test may keep several.
inline std::unique_ptr<Picker> NewPicker() {
    return std::make_unique<Picker>();
}

// What an action threw: the failure kind and its message, or no kind when it completed.
struct Caught {
    std::optional<FailureKind> kind;
    std::string message;
};

// What an action returned, or what it threw. The value comes back as the return value rather than
// through a variable the action assigns: g++ 12.2 at -O1 to -Os, after inlining, drops the store
// made to such a variable before the action when the call that assigns it throws (dead-store
// elimination; -fno-tree-dse mends it), so the variable holds whatever was there before.
template <class Value>
struct Returned {
    std::optional<Value> value;
    Caught caught;
};

template <class Action>
auto CatchValue(Action&& action) -> Returned<std::invoke_result_t<Action>> {
    try {
        return {action(), {}};
    } catch (const Failure& failure) {
        return {std::nullopt, {failure.kind(), failure.what()}};
    }
}

// What an action threw; no kind when it completed.
template <class Action>
Caught Catch(Action&& action) {
    return CatchValue([&] {
               action();
               return true;
           })
        .caught;
}

// The bytes of a file; "(none)" where nothing is, "(not a file)" for a link, directory or FIFO.
inline std::string Bytes(const std::filesystem::path& path) {
    const auto status = std::filesystem::symlink_status(path);
    if (!std::filesystem::is_regular_file(status)) {
        return std::filesystem::exists(status) ? "(not a file)" : "(none)";
    }
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The print form of a number, written out here independently of the engine's own.
inline std::string Printed(int value) {
    return (value < 0 ? "-" : " ") + std::to_string(std::abs(value)) + " ";
}

// The data log of these picks.
inline std::string LogBytes(const std::vector<int>& picks) {
    std::string bytes;
    for (const int pick : picks) {
        bytes += Printed(pick) + "\r\n";
    }
    return bytes;
}

inline const std::string Header = "Item      Quantity\r\n";

// A result file: the header, then one line per (item, count).
inline std::string ResultBytes(const std::vector<std::pair<int, int>>& lines) {
    std::string bytes = Header;
    for (const auto& [item, count] : lines) {
        bytes += Printed(item) + Printed(count) + "\r\n";
    }
    return bytes;
}

// A run as the window drives it: the log opened and every pick recorded on a beat.
inline std::unique_ptr<Picker> RecordedRun(const std::vector<int>& picks) {
    auto picker = NewPicker();
    picker->OpenLog();
    for (const int pick : picks) {
        picker->CurrentPick = static_cast<Int16>(pick);
        picker->Record();
    }
    return picker;
}

// A fresh empty directory that is the current directory while the object lives: every file of a
// run is written by its bare name into the current directory.
class ScratchDir {
public:
    ScratchDir() {
        std::string path = (std::filesystem::temp_directory_path() / "kelpov-XXXXXX").string();
        std::filesystem::current_path(path_ = ::mkdtemp(path.data()));
    }
    ~ScratchDir() {
        std::filesystem::current_path(path_.parent_path());
        std::filesystem::remove_all(path_, ignored_);
    }

private:
    std::filesystem::path path_;
    std::error_code ignored_;
};
