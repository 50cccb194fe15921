#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/Descriptor.h"

// A table written whole or not at all, as a text file of the current directory. Its lines are
// collected in memory; Commit writes them to a new file beside the table, syncs it, renames it over
// the table and syncs the folder, so the table is at every moment either the earlier complete file
// or the new complete one. A symbolic link at the name keeps working: the file it points to is
// replaced. A FIFO or a device at the name is written as it is, without waiting. Every failure is a
// file failure that names the table, and leaves nothing beside it.
class TableFile {
public:
    // Begins the table: creates the file beside it, or opens the FIFO or device in its place.
    explicit TableFile(std::string name);
    ~TableFile();  // a table never committed leaves the earlier one as it was
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    void Append(std::string_view line) { bytes_.append(line); }

    void Commit();

private:
    [[noreturn]] void Fail(std::string_view action, int error);

    std::string name_;
    std::filesystem::path target_;  // the file the name stands for
    std::filesystem::path aside_;   // the new table until its rename; empty when written in place
    Descriptor file_;
    std::string bytes_;
};
