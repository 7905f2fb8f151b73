#include "core/util/AtomicFile.h"

#include "core/util/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace norix {
namespace {

// Closes the descriptor and removes the temporary file unless the rename
// happened, so that every early return cleans up after itself.
class TemporaryFile {
public:
    TemporaryFile(int descriptor, std::string path) : fd_(descriptor), path_(std::move(path)) {}
    ~TemporaryFile() {
        fd_.close();
        if (!committed_)
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_.get(); }
    const std::string& path() const { return path_; }
    // close(2) can report a delayed write error, so its result matters.
    int close() { return fd_.close(); }
    void commit() { committed_ = true; }

private:
    UniqueFd fd_;
    std::string path_;
    bool committed_ = false;
};

mode_t defaultCreationMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666) & ~mask;
}

std::optional<FileError> writeAll(int fd, std::string_view contents) {
    const char* data = contents.data();
    std::size_t remaining = contents.size();
    while (remaining > 0) {
        const ssize_t written = ::write(fd, data, remaining);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return FileError::fromErrno(errno);
        }
        data += written;
        remaining -= static_cast<std::size_t>(written);
    }
    return std::nullopt;
}

void syncDirectory(const std::string& directory) {
    // Makes the rename itself durable; a failure here cannot undo the save.
    const UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isOpen())
        ::fsync(fd.get());
}

} // namespace

FileError FileError::fromErrno(int errorNumber) {
    return FileError{errorNumber, std::strerror(errorNumber)};
}

Expected<std::string, FileError> readWholeFile(const std::filesystem::path& path,
                                               std::size_t limit) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.isOpen())
        return FileError::fromErrno(errno);
    std::string contents;
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && info.st_size > 0)
        contents.reserve(std::min(static_cast<std::size_t>(info.st_size), limit));
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return FileError::fromErrno(errno);
        }
        if (count == 0)
            break;
        if (contents.size() + static_cast<std::size_t>(count) > limit)
            return FileError::fromErrno(EFBIG);
        contents.append(buffer.data(), static_cast<std::size_t>(count));
    }
    return contents;
}

std::optional<FileError> writeFileAtomically(const std::filesystem::path& requestedPath,
                                             std::string_view contents) {
    // Saving through a symbolic link replaces the file it points to and keeps
    // the link, as saving in place would.
    std::filesystem::path path = requestedPath;
    std::error_code ignored;
    if (std::filesystem::is_symlink(requestedPath, ignored)) {
        const auto target = std::filesystem::weakly_canonical(requestedPath, ignored);
        if (!ignored)
            path = target;
    }
    const std::filesystem::path directory =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return FileError::fromErrno(errno);
    TemporaryFile temporary(fd, pattern);

    // mkstemp creates the file private to its owner; a save must not change
    // who may read the file, so take the old file's mode or the usual default.
    struct stat existing {};
    const mode_t mode =
        ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : defaultCreationMode();
    if (::fchmod(temporary.fd(), mode) != 0)
        return FileError::fromErrno(errno);
    if (auto error = writeAll(temporary.fd(), contents))
        return error;
    if (::fsync(temporary.fd()) != 0)
        return FileError::fromErrno(errno);
    if (temporary.close() != 0)
        return FileError::fromErrno(errno);
    if (::rename(temporary.path().c_str(), path.c_str()) != 0)
        return FileError::fromErrno(errno);
    temporary.commit();
    syncDirectory(directory.string());
    return std::nullopt;
}

} // namespace norix
