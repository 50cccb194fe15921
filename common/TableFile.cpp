#include "common/TableFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>

namespace fs = std::filesystem;

namespace {

// The file a name stands for: symbolic links followed to their end, which need not exist yet.
fs::path Resolved(fs::path path) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        const fs::path link = fs::read_symlink(path, error);
        if (error) {
            break;  // not a link
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

// The suffix of a new table's name: ".kelpov-" and six of these. The mark says whose it is, so
// that the sweep of leftovers never takes a file someone named "results.txt.backup".
constexpr std::string_view SuffixMark = ".kelpov-";
constexpr std::string_view SuffixLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t SuffixLength = 6;

std::string RandomSuffix() {
    static std::minstd_rand random{std::random_device{}()};
    std::string suffix(SuffixMark);
    for (std::size_t k = 0; k < SuffixLength; ++k) {
        suffix += SuffixLetters[random() % SuffixLetters.size()];
    }
    return suffix;
}

bool IsNewFileOf(std::string_view name, std::string_view table) {
    if (name.size() != table.size() + SuffixMark.size() + SuffixLength ||
        !name.starts_with(table) || !name.substr(table.size()).starts_with(SuffixMark)) {
        return false;
    }
    return std::ranges::all_of(name.substr(table.size() + SuffixMark.size()), [](char c) {
        return SuffixLetters.find(c) != std::string_view::npos;
    });
}

}  // namespace

TableFile::TableFile(std::string name) : name_(std::move(name)), target_(Resolved(name_)) {
    struct stat status {};
    const bool exists = ::stat(target_.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) {
        Fail("create", errno);
    }
    if (exists && !S_ISREG(status.st_mode)) {
        // A FIFO or a device takes the table as it comes; a folder fails to open.
        inPlace_ = true;
        file_ = Descriptor(OpenWithoutWaiting(name_.c_str(), O_TRUNC));
        if (!file_) {
            Fail("create", errno);
        }
        return;
    }
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : ".";
    file_ = Descriptor(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    // Where the file system has no unnamed files (EOPNOTSUPP) the new file is named from the
    // start; whatever else kept it from being made, the named one meets again and tells.
    if (!file_) {
        OpenNamed();
    }
    if (exists) {
        mode_ = status.st_mode & 07777;
    }
    KeepMode();
}

void TableFile::KeepMode() {
    // The new table keeps the permissions of the one it replaces, as a rewrite in place would; a
    // first table has those of any new file.
    if (mode_ && ::fchmod(file_.Get(), *mode_) != 0) {
        Fail("create", errno);
    }
}

void TableFile::OpenNamed() {
    do {
        aside_ = target_;
        aside_ += RandomSuffix();
        file_ = Descriptor(OpenWithoutWaiting(aside_.c_str(), O_EXCL));
        if (!file_ && errno != EEXIST) {
            const int error = errno;
            aside_.clear();
            Fail("create", error);
        }
    } while (!file_);
}

TableFile::~TableFile() {
    if (!aside_.empty()) {
        ::unlink(aside_.c_str());
    }
}

std::span<char> TableFile::Room(std::size_t size) {
    bytes_ = std::make_unique_for_overwrite<char[]>(size);
    return {bytes_.get(), size};
}

void TableFile::Commit(std::size_t length) {
    WriteAndSync(length);
    if (!inPlace_ && aside_.empty() && !Name()) {
        // Without /proc (a container, a chroot) the unnamed file cannot be named: the table is
        // written again, into a file named from the start, which meets again whatever else kept
        // the link from being made, and tells.
        OpenNamed();
        KeepMode();
        WriteAndSync(length);
    }
    if (::close(file_.Release()) != 0) {
        Fail("close", errno);
    }
    if (inPlace_) {
        return;
    }
    if (::rename(aside_.c_str(), target_.c_str()) != 0) {
        Fail("replace", errno);
    }
    aside_.clear();
    // The rename is on the disk only once the folder that holds the name is.
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : ".";
    const Descriptor folderFile(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFile || ::fsync(folderFile.Get()) != 0) {
        Fail("sync the folder of", errno);
    }
}

void TableFile::WriteAndSync(std::size_t length) {
    if (const int error = WriteAll(file_.Get(), {bytes_.get(), length})) {
        Fail("write", error);
    }
    if (!inPlace_ && ::fdatasync(file_.Get()) != 0) {
        Fail("sync", errno);
    }
}

bool TableFile::Name() {
    // An unnamed file can only be linked at a free name; the rename then puts it over the table.
    const std::string self = "/proc/self/fd/" + std::to_string(file_.Get());
    while (true) {
        fs::path aside = target_;
        aside += RandomSuffix();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, aside.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            aside_ = std::move(aside);
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
}

void TableFile::Fail(std::string_view action, int error) {
    if (!aside_.empty()) {
        ::unlink(aside_.c_str());
        aside_.clear();
    }
    FailOnFile(name_, action, SystemReason(error));
}

void RemoveLeftovers(int folder, std::span<const std::string_view> tables) {
    Descriptor listed(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* const stream = listed ? ::fdopendir(listed.Get()) : nullptr;
    if (stream == nullptr) {
        return;
    }
    listed.Release();  // the stream's now
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(stream, ::closedir);
    while (const dirent* entry = ::readdir(stream)) {
        const char* name = entry->d_name;
        const auto left = [&](std::string_view table) { return IsNewFileOf(name, table); };
        struct stat status {};
        if (std::ranges::any_of(tables, left) &&
            ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode)) {
            ::unlinkat(folder, name, 0);
        }
    }
}
