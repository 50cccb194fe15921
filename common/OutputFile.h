#pragma once

#include <array>
#include <chrono>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/Integer.h"
#include "common/PrintForm.h"

// A text file written by its bare name into the current directory; opening it creates it or
// empties an existing one, and never waits (a FIFO without a reader is a failure at once). Every
// open, write, sync and close is checked, and a failure is a file failure that names the file and
// the system's reason. Regular files are synced to the disk before they are called done.
class OutputFile {
public:
    enum class Kind {
        // The data log. One process at a time may hold it: it is locked before it is emptied.
        // Each line reaches the system at once and is synced with the first line a second or
        // more after the last sync; a line that cannot be written or synced is cut off again.
        Log,
        // A table written in one go: collected in memory and handed over, synced and closed by
        // Close().
        Table,
    };

    OutputFile() = default;  // no file open
    OutputFile(std::string name, Kind kind);

    void Write(std::string_view bytes);
    void WriteLine(std::string_view text);

    // One line of numbers: each in print form, then CR LF, handed over in one write.
    template <std::same_as<Int16>... Items>
    void WriteLine(Items... items) {
        std::array<char, sizeof...(Items) * PrintFormMaxSize + 2> line;
        char* end = line.data();
        ((end = WritePrintForm(end, items)), ...);
        *end++ = '\r';
        *end++ = '\n';
        Write({line.data(), end});
    }

    // Hands over what is pending, syncs the file to the disk and closes it. Closing a file that is
    // not open does nothing. A file still open when its OutputFile goes away is closed unchecked,
    // as the operating system would at the end of the program.
    void Close();

    static constexpr std::chrono::seconds LogSyncInterval{1};

private:
    // Owns a file descriptor: closes it unchecked when dropped.
    class Descriptor {
    public:
        explicit Descriptor(int fd = -1) : fd_(fd) {}
        Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
        Descriptor& operator=(Descriptor&& other) noexcept;
        ~Descriptor();
        int Get() const { return fd_; }
        int Release() { return std::exchange(fd_, -1); }

    private:
        int fd_;
    };

    void WriteLog(std::string_view line);
    [[noreturn]] void Fail(std::string_view action, const std::string& reason) const;
    [[noreturn]] void FailWithError(std::string_view action, int error) const;

    std::string name_;
    Kind kind_ = Kind::Table;
    Descriptor file_;
    bool regular_ = false;
    std::int64_t size_ = 0;  // bytes in the log: where an unrecorded line is cut back to
    std::string pending_;    // a table's bytes not yet handed over
    std::chrono::steady_clock::time_point lastSync_;
};
