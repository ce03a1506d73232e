#include "engine/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#endif

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace RegularFile {

namespace {

const char* StdioMode(Mode mode) {
    switch (mode) {
        case Mode::kRead:
            return "rb";
        case Mode::kReadWrite:
            return "r+b";
        case Mode::kAppend:
            return "ab";
        case Mode::kCreate:
        case Mode::kCreateOnly:
            return "wb";
    }
    return "rb";
}

Opened Failed(Problem problem, int error) {
    Opened opened;
    opened.problem = problem;
    opened.systemError = error;
    return opened;
}

Opened FromErrno() {
    const int error = errno;
    return Failed(error == ENOENT ? Problem::kMissing : Problem::kSystem, error);
}

}  // namespace

#ifndef _WIN32

Opened Open(const std::string& path, Mode mode) {
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
        case Mode::kRead:
            flags |= O_RDONLY;
            break;
        case Mode::kReadWrite:
            flags |= O_RDWR;
            break;
        case Mode::kAppend:
            flags |= O_WRONLY | O_CREAT | O_APPEND;
            break;
        case Mode::kCreate:
            flags |= O_WRONLY | O_CREAT;  // emptied once known to be a regular file
            break;
        case Mode::kCreateOnly:
            flags |= O_WRONLY | O_CREAT | O_EXCL;
            break;
    }
    if (mode != Mode::kRead) flags |= O_NOFOLLOW;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        // A FIFO without a reader refuses a non-blocking writer; a link
        // refuses a writer that does not follow links.
        if (errno == ENXIO || errno == EISDIR || errno == ELOOP)
            return Failed(Problem::kNotRegular, errno);
        if (errno == EEXIST && IsSpecial(path)) return Failed(Problem::kNotRegular, errno);
        return FromErrno();
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        Opened failed = FromErrno();
        ::close(fd);
        return failed;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Failed(Problem::kNotRegular, 0);
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0 ||
        (mode == Mode::kCreate && ::ftruncate(fd, 0) != 0)) {
        Opened failed = FromErrno();
        ::close(fd);
        return failed;
    }
    Opened opened;
    opened.file = ::fdopen(fd, StdioMode(mode));
    if (opened.file == nullptr) {
        opened = FromErrno();
        ::close(fd);
    }
    return opened;
}

bool IsSpecial(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

#else

bool IsSpecial(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

Opened Open(const std::string& path, Mode mode) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return Failed(Problem::kNotRegular, 0);
    const char* stdioMode = mode == Mode::kCreateOnly ? "wbx" : StdioMode(mode);
    Opened opened;
    opened.file = std::fopen(path.c_str(), stdioMode);
    if (opened.file == nullptr) opened = FromErrno();
    return opened;
}

#endif

std::uint64_t Tell(std::FILE* file) {
#ifndef _WIN32
    const off_t position = ::ftello(file);
#else
    const __int64 position = _ftelli64(file);
#endif
    return position < 0 ? 0 : static_cast<std::uint64_t>(position);
}

bool CutBack(std::FILE* file, std::uint64_t size) {
#ifndef _WIN32
    return ::ftruncate(::fileno(file), static_cast<off_t>(size)) == 0 &&
           ::fseeko(file, static_cast<off_t>(size), SEEK_SET) == 0;
#else
    return _chsize_s(_fileno(file), static_cast<__int64>(size)) == 0 &&
           _fseeki64(file, static_cast<__int64>(size), SEEK_SET) == 0;
#endif
}

}  // namespace RegularFile
