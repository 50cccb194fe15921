#include "common/TableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

std::string RandomSuffix() {
    static std::minstd_rand random{std::random_device{}()};
    std::string suffix = ".";
    for (int k = 0; k < 6; ++k) {
        suffix += "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
    }
    return suffix;
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
        file_ = Descriptor(OpenWithoutWaiting(name_.c_str(), O_TRUNC));
        if (!file_) {
            Fail("create", errno);
        }
        return;
    }
    do {
        aside_ = target_;
        aside_ += RandomSuffix();
        file_ = Descriptor(OpenWithoutWaiting(aside_.c_str(), O_EXCL));
    } while (!file_ && errno == EEXIST);
    if (!file_) {
        const int error = errno;
        aside_.clear();
        Fail("create", error);
    }
    // The new table keeps the permissions of the one it replaces, as a rewrite in place would.
    if (exists && ::fchmod(file_.Get(), status.st_mode & 07777) != 0) {
        Fail("create", errno);
    }
}

TableFile::~TableFile() {
    if (!aside_.empty()) {
        ::unlink(aside_.c_str());
    }
}

void TableFile::Commit() {
    if (const int error = WriteAll(file_.Get(), bytes_)) {
        Fail("write", error);
    }
    if (!aside_.empty() && ::fdatasync(file_.Get()) != 0) {
        Fail("sync", errno);
    }
    if (::close(file_.Release()) != 0) {
        Fail("close", errno);
    }
    if (aside_.empty()) {
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

void TableFile::Fail(std::string_view action, int error) {
    if (!aside_.empty()) {
        ::unlink(aside_.c_str());
        aside_.clear();
    }
    FailOnFile(name_, action, SystemReason(error));
}
