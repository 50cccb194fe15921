#include "picker/LogReading.h"

#include <charconv>
#include <limits>

#include "common/Descriptor.h"
#include "common/Failure.h"
#include "common/PrintForm.h"

namespace {

// The line that records value.
NumberLine LineOf(int value) {
    return NumberLine(static_cast<Int16>(value));
}

// The pick a line records, CR LF included, if it is one in exactly the form Record writes. The
// digits are read apart from the sign, so no text makes the negation overflow.
std::optional<Int16> PickOf(std::string_view line) {
    unsigned magnitude = 0;
    const auto read = std::from_chars(line.data() + 1, line.data() + line.size(), magnitude);
    if (read.ec != std::errc{} || magnitude > 32768) {
        return std::nullopt;
    }
    const int value =
        line.front() == '-' ? -static_cast<int>(magnitude) : static_cast<int>(magnitude);
    if (value < std::numeric_limits<Int16>::min() || value > std::numeric_limits<Int16>::max() ||
        LineOf(value).View() != line) {
        return std::nullopt;
    }
    return static_cast<Int16>(value);
}

// Whether text is the beginning of some line Record writes, cut off before its end. Cut right after
// the sign, it begins many lines. Cut later, it holds the sign, some first digits and a beginning
// of " \r\n"; the first digits of a number in print form are themselves one of no greater size, so
// the text completed with the rest of " \r\n" is then a line.
bool IsCutOffLine(std::string_view text) {
    if (text == " " || text == "-") {
        return true;
    }
    const std::string_view rest = text.ends_with(" \r") ? "\n"
                                  : text.ends_with(' ') ? "\r\n"
                                                        : " \r\n";
    return PickOf(std::string(text) + std::string(rest)).has_value();
}

// A line as a user can read it in a message, whatever bytes it holds.
std::string Shown(std::string_view line) {
    std::string shown = "\"";
    for (const char c : line.substr(0, 20)) {
        if (c >= ' ' && c <= '~' && c != '"' && c != '\\') {
            shown += c;
        } else {
            constexpr char hex[] = "0123456789abcdef";
            const auto byte = static_cast<unsigned char>(c);
            shown += c == '\r'   ? "\\r"
                     : c == '\n' ? "\\n"
                                 : std::string{'\\', 'x', hex[byte >> 4], hex[byte & 15]};
        }
    }
    return shown + (line.size() > 20 ? "...\"" : "\"");
}

[[noreturn]] void FailOnLine(int number, std::string_view line) {
    FailOnFile(
        Picker::DataLogName, "read",
        "line " + std::to_string(number) +
            " is not a recorded pick (a number in print form followed by CR LF): " + Shown(line));
}

}  // namespace

std::optional<int> ReadPicks(std::string_view log, const std::function<void(Int16)>& store) {
    for (int number = 1; !log.empty(); ++number) {
        // A run begins no line once its store is full: a line past the store's end, whole or cut
        // off, is refused, however short the lines before it.
        if (number > Picker::PickStoreLimit) {
            throw Failure(FailureKind::Range, std::string(Picker::DataLogName) +
                                                  " holds more than " +
                                                  std::to_string(Picker::PickStoreLimit) +
                                                  " picks, the most a run records");
        }
        const auto end = log.find(LineEnd);
        if (end == std::string_view::npos) {
            if (!IsCutOffLine(log)) {
                FailOnLine(number, log);
            }
            return number;
        }
        const std::string_view line = log.substr(0, end + 2);
        const std::optional<Int16> pick = PickOf(line);
        if (!pick) {
            FailOnLine(number, line);
        }
        store(*pick);
        log.remove_prefix(line.size());
    }
    return std::nullopt;
}

std::optional<int> LoadPicks(Picker& picker, std::string_view log) {
    picker.PickCount = 0;
    return ReadPicks(log, [&picker](Int16 pick) {
        picker.PickCount = Add(picker.PickCount, 1);
        picker.Picks[picker.PickCount] = pick;
    });
}

bool IsDataLog(std::string_view log) {
    try {
        ReadPicks(log, [](Int16 /*pick*/) {});
        return true;
    } catch (const Failure&) {
        return false;
    }
}
