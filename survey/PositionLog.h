#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// One position file of a recording: a header line, then whole lines
// appended, each in one write straight to the system, so a killed program
// loses at most the line in flight. The file is never opened through a
// symbolic link, and a link, FIFO, folder or device at its name is refused.
//
// Not thread-safe: its owner serialises the calls.
class PositionLog {
public:
    enum class Problem {
        kNone,
        kNotRegular,   // a link, FIFO, folder or device at the name
        kOtherFormat,  // a file there that does not start with this header
        kSystem,       // systemError says why
    };
    struct Status {
        Problem problem = Problem::kNone;
        int systemError = 0;
        std::string path;
        bool Ok() const { return problem == Problem::kNone; }
    };

    PositionLog() = default;
    ~PositionLog() { Close(false); }
    PositionLog(const PositionLog&) = delete;
    PositionLog& operator=(const PositionLog&) = delete;

    // A new recording's file is created, or emptied, with its header. A
    // continued recording's file is kept: a line cut short at its end is
    // dropped, and a missing or empty one is begun with the header.
    Status Open(const std::string& path, std::string_view header, bool continuing);
    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_path; }
    // A line (with its "\n"), whole or not at all: what part of it a full
    // disk took is cut off again. False when it was not written.
    bool Append(std::string_view line);
    // Closes; with remove, deletes a file this opening created or emptied.
    void Close(bool remove);

private:
    Status Continue(std::string_view header);

    std::FILE* m_file = nullptr;
    std::string m_path;
    bool m_created = false;
};
