#pragma once

#include <array>
#include <concepts>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/Integer.h"
#include "common/PrintForm.h"

// A text file written by its bare name into the current directory; opening it creates it or
// empties an existing one. Every open, write and close is checked, and a failure is a file failure
// that names the file and the system's reason.
class OutputFile {
public:
    enum class Buffering {
        WriteThrough,  // each write reaches the operating system at once: a kill loses nothing
        Buffered,      // for files written in one go; errors surface at the latest in Close()
    };

    OutputFile() = default;  // no file open
    OutputFile(std::string name, Buffering buffering);

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

    // Closes the file and checks that everything written reached it. Closing a file that is not
    // open does nothing. A file still open when its OutputFile goes away is closed unchecked, as
    // the operating system would at the end of the program.
    void Close();

private:
    [[noreturn]] void Fail(std::string_view action, int error) const;

    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::string name_;
    std::unique_ptr<std::FILE, Closer> file_;
};
