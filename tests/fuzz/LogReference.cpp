#include "tests/fuzz/LogReference.h"

#include <cstdlib>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr int MostLines = 20000;

// Every line a run can write, CR LF included, and the pick it records.
const std::unordered_map<std::string, int>& WrittenLines() {
    static const auto lines = [] {
        std::unordered_map<std::string, int> all;
        for (int pick = -32768; pick <= 32767; ++pick) {
            all.emplace((pick < 0 ? "-" : " ") + std::to_string(std::abs(pick)) + " \r\n", pick);
        }
        return all;
    }();
    return lines;
}

// Every non-empty beginning of such a line that falls short of its end.
const std::unordered_set<std::string>& CutOffLines() {
    static const auto cutOff = [] {
        std::unordered_set<std::string> all;
        for (const auto& [line, pick] : WrittenLines()) {
            for (std::size_t size = 1; size < line.size(); ++size) {
                all.insert(line.substr(0, size));
            }
        }
        return all;
    }();
    return cutOff;
}

// The log in lines, each with its CR LF; a last one without CR LF stands at the end.
std::vector<std::string> Lines(std::string_view log) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < log.size();) {
        const std::size_t end = log.find("\r\n", start);
        const std::size_t next = end == std::string_view::npos ? log.size() : end + 2;
        lines.emplace_back(log.substr(start, next - start));
        start = next;
    }
    return lines;
}

}  // namespace

LogVerdict JudgeLog(std::string_view log, int linesBefore) {
    const std::vector<std::string> lines = Lines(log);
    const auto before = static_cast<std::size_t>(linesBefore);
    LogVerdict verdict;
    for (std::size_t k = 0; k < lines.size() && before + k < MostLines; ++k) {
        const std::string& line = lines[k];
        const int number = static_cast<int>(before + k + 1);
        const bool whole = line.ends_with("\r\n");
        const auto written = WrittenLines().find(line);
        if (whole && written != WrittenLines().end()) {
            verdict.picks.push_back(written->second);
        } else if (!whole && CutOffLines().contains(line)) {
            verdict.cutOffLine = number;
        } else {
            return {LogVerdict::Kind::NotAPick, {}, {}, number};
        }
    }
    if (before + lines.size() > MostLines) {
        return {LogVerdict::Kind::TooLong, {}, {}, 0};
    }
    return verdict;
}
