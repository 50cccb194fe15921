#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/Descriptor.h"

// A table written whole or not at all, as a text file of the current directory. Its bytes are
// laid out in memory, in one block sized once; Commit writes them to a new file beside the table,
// syncs it, renames it over the table and syncs the folder, so the table is at every moment either
// the earlier complete file or the new complete one. The new file has no name until it is complete
// (O_TMPFILE) where the file system allows it and the file can be linked at a name (through /proc),
// so that a run cut off on the way leaves nothing; elsewhere it is named like the table with the
// suffix ".kelpov-" and six random letters and digits. A symbolic link at the name keeps working:
// the file it points to is replaced. A FIFO or a device at the name is written as it is, without
// waiting. Every failure is a file failure that names the table, and leaves nothing beside it.
class TableFile {
public:
    // Begins the table: creates the file beside it, or opens the FIFO or device in its place.
    explicit TableFile(std::string name);
    ~TableFile();  // a table never committed leaves the earlier one as it was
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    // Room for the table's bytes, size of them at most, to be written in place; Commit takes the
    // first length of them. Given once, since the most a table can take is known before it is
    // written: its lines are never copied or moved.
    std::span<char> Room(std::size_t size);

    void Commit(std::size_t length);

private:
    void OpenNamed();     // makes the new file beside the table with a name from the start
    bool Name();          // gives the unnamed new file its name; false where it cannot be linked
    void KeepMode();      // gives the new file the permissions of the table it replaces, if any
    void WriteAndSync(std::size_t length);  // writes the first bytes to the new file, syncs it
    [[noreturn]] void Fail(std::string_view action, int error);

    std::string name_;
    std::filesystem::path target_;  // the file the name stands for
    bool inPlace_ = false;          // a FIFO or a device, written as it is
    std::filesystem::path aside_;   // the new file's name until its rename; empty while it has none
    std::optional<unsigned> mode_;  // the permissions of the table it replaces, if any
    Descriptor file_;
    std::unique_ptr<char[]> bytes_;
};

// Removes from folder what a run cut off during a Commit of one of tables left there: the regular
// files named like the table with the suffix of a new file (".kelpov-" and six lowercase letters or
// digits). Nothing else is touched, "results.txt.backup" included; a leftover
// that cannot be removed stays, harming no run.
void RemoveLeftovers(int folder, std::span<const std::string_view> tables);
