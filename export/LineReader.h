#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// A text file read line by line through a large buffer, without an
// allocation per line. Not thread-safe.
class LineReader {
public:
    LineReader() = default;
    ~LineReader() { Close(); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False with errno set when the file cannot be opened.
    bool Open(const std::string& path);
    void Close();
    // The next line without its "\n"; false at the end of the file or on a
    // read error (ReadFailed says which).
    bool Next(std::string_view* line);
    // The line returned last had no "\n": the file ends in the middle of it.
    bool CutShort() const { return m_cutShort; }
    bool ReadFailed() const { return m_failed; }
    // The number of the line returned last, from 1.
    std::uint64_t LineNumber() const { return m_lineNumber; }

private:
    bool Fill();

    std::FILE* m_file = nullptr;
    std::string m_buffer;
    std::size_t m_begin = 0;  // the unread part of m_buffer
    std::string m_line;       // a line that crossed the buffer's end
    std::uint64_t m_lineNumber = 0;
    bool m_cutShort = false;
    bool m_failed = false;
    bool m_end = false;
};
