#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Opens the files of a recording. Only regular files are opened: a FIFO,
// a device or a folder with a recording's name is refused, and the check
// never blocks (opening a FIFO for reading would otherwise wait for a
// writer and freeze the caller).
namespace RegularFile {

enum class Problem {
    kNone,
    kMissing,     // no such file
    kNotRegular,  // a folder, FIFO, device or socket
    kSystem,      // any other failure; systemError holds errno
};

enum class Mode {
    kRead,        // "rb"
    kReadWrite,   // "r+b", the file must exist
    kAppend,      // "ab", created when missing
    kCreate,      // "wb", created or emptied
    kCreateOnly,  // "wbx": created, refused when the name exists (also as a link)
};

struct Opened {
    std::FILE* file = nullptr;
    Problem problem = Problem::kNone;
    int systemError = 0;
};

// A mode that writes never follows a symbolic link at the name: the link is
// refused as not a regular file.
Opened Open(const std::string& path, Mode mode);

// Whether something other than a regular file stands at the name: a
// symbolic link (whatever it points to), a FIFO, a folder or a device.
bool IsSpecial(const std::string& path);

// The stream's position in its file (0 when it cannot be told).
std::uint64_t Tell(std::FILE* file);

// Cuts the file back to size bytes and moves the stream there: what a
// failed write left past it is dropped. The stream must be unbuffered.
bool CutBack(std::FILE* file, std::uint64_t size);

}  // namespace RegularFile
