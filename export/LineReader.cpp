#include "export/LineReader.h"

#include <cerrno>

namespace {
constexpr std::size_t kChunk = 1 << 16;
}

bool LineReader::Open(const std::string& path) {
    Close();
    m_file = std::fopen(path.c_str(), "rb");
    m_buffer.clear();
    m_begin = 0;
    m_lineNumber = 0;
    m_cutShort = m_failed = m_end = false;
    return m_file != nullptr;
}

void LineReader::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
}

bool LineReader::Fill() {
    if (m_end || m_file == nullptr) return false;
    m_buffer.erase(0, m_begin);
    m_begin = 0;
    const std::size_t had = m_buffer.size();
    m_buffer.resize(had + kChunk);
    const std::size_t got = std::fread(m_buffer.data() + had, 1, kChunk, m_file);
    m_buffer.resize(had + got);
    if (got < kChunk) {
        m_end = true;
        m_failed = std::ferror(m_file) != 0;
    }
    return got > 0;
}

bool LineReader::Next(std::string_view* line) {
    for (;;) {
        const std::size_t newline = m_buffer.find('\n', m_begin);
        if (newline != std::string::npos) {
            *line = std::string_view(m_buffer).substr(m_begin, newline - m_begin);
            m_begin = newline + 1;
            ++m_lineNumber;
            return true;
        }
        if (!Fill()) break;
    }
    if (m_failed || m_begin >= m_buffer.size()) return false;
    // The last line, without its "\n".
    m_line.assign(m_buffer, m_begin);
    m_begin = m_buffer.size();
    m_cutShort = true;
    ++m_lineNumber;
    *line = m_line;
    return true;
}
