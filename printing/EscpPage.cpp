#include "printing/EscpPage.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kFs = 0x1C;

// Bytes each column of an ESC * bit image takes, by mode; 0 for a mode
// the printer does not have.
int BytesPerColumn(int mode) {
    switch (mode) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 6:
            return 1;
        case 32:
        case 33:
        case 38:
        case 39:
        case 40:
            return 3;
        case 71:
        case 72:
        case 73:
            return 6;
        default:
            return 0;
    }
}

bool LeadByte(std::uint8_t byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace

void EscpPage::Feed(const std::uint8_t* bytes, std::size_t length) {
    m_pending.insert(m_pending.end(), bytes, bytes + length);
    std::size_t at = 0;
    std::size_t used = 0;
    while (at < m_pending.size() && Step(m_pending.data() + at, m_pending.size() - at, &used))
        at += used;
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(at));
}

// Interprets one command or character at the start of bytes; false when it
// is not complete yet.
bool EscpPage::Step(const std::uint8_t* bytes, std::size_t length, std::size_t* used) {
    const std::uint8_t first = bytes[0];
    *used = 1;
    if (first == '\r') {
        m_x = 0;
        m_runOpen = false;
        return true;
    }
    if (first == '\n') {
        m_y += m_lineSpacing;
        m_runOpen = false;
        return true;
    }
    if (first == kEsc || first == kFs) {
        if (length < 2) return false;
        const std::uint8_t command = bytes[1];
        *used = 2;
        if (first == kFs && command == '&') {
            m_chinese = true;
        } else if (first == kFs && command == '.') {
            m_chinese = false;
        } else if (command == '-') {  // FS - n, ESC - n
            if (length < 3) return false;
            *used = 3;
            m_underline = bytes[2] == 1 || bytes[2] == '1';
            m_runOpen = false;
        } else if (first == kEsc && command == '3') {
            if (length < 3) return false;
            *used = 3;
            m_lineSpacing = bytes[2];
        } else if (first == kEsc && command == '*') {
            if (length < 5) return false;
            const int columns = bytes[3] | (bytes[4] << 8);
            const int perColumn = BytesPerColumn(bytes[2]);
            const std::size_t size = 5 + static_cast<std::size_t>(columns) * perColumn;
            if (perColumn == 0) {
                m_unknown += 5;
                *used = 5;
                return true;
            }
            if (length < size) return false;
            *used = size;
            BitImage(bytes[2], columns, bytes + 5);
            m_runOpen = false;
        } else {
            m_unknown += 2;
        }
        return true;
    }
    if (first >= 0x20 && first < 0x7F) {
        PrintCharacter(bytes, 1);
        return true;
    }
    if (m_chinese && LeadByte(first)) {
        if (length < 2) return false;
        if (bytes[1] >= 0x40 && bytes[1] <= 0xFE && bytes[1] != 0x7F) {
            *used = 2;
            PrintCharacter(bytes, 2);
            return true;
        }
    }
    ++m_unknown;
    return true;
}

void EscpPage::BitImage(int mode, int columns, const std::uint8_t* data) {
    if (mode != 33) {
        // Other densities are not part of the chart: counted, not drawn.
        m_unknown += 5 + static_cast<std::size_t>(columns) * BytesPerColumn(mode);
        return;
    }
    GrowTo(m_x + columns, m_y + kLineHeight);
    for (int column = 0; column < columns; ++column)
        for (int row = 0; row < kLineHeight; ++row)
            if (data[3 * column + row / 8] & (0x80 >> (row % 8))) SetDot(m_x + column, m_y + row);
    m_x += columns;
}

void EscpPage::PrintCharacter(const std::uint8_t* bytes, std::size_t count) {
    const int width = m_chinese ? kHalfWidthPitch * static_cast<int>(count) : kLatinPitch;
    if (!m_runOpen) {
        m_text.push_back(TextRun{m_y, m_underline, {}});
        m_runOpen = true;
    }
    m_text.back().characters.push_back(
        Character{std::string(reinterpret_cast<const char*>(bytes), count), m_x, width});
    m_x += width;
    GrowTo(m_x, m_y + kLineHeight);
}

void EscpPage::GrowTo(int width, int height) {
    if (width > m_width) {
        std::vector<std::uint8_t> wider(static_cast<std::size_t>(width) * m_height, 0);
        for (int y = 0; y < m_height; ++y)
            std::copy_n(m_dots.begin() + static_cast<std::ptrdiff_t>(y) * m_width, m_width,
                        wider.begin() + static_cast<std::ptrdiff_t>(y) * width);
        m_dots = std::move(wider);
        m_width = width;
    }
    if (height > m_height) {
        m_height = height;
        m_dots.resize(static_cast<std::size_t>(m_width) * m_height, 0);
    }
}

void EscpPage::SetDot(int x, int y) {
    m_dots[static_cast<std::size_t>(y) * m_width + x] = 1;
}

bool EscpPage::Dot(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return false;
    return m_dots[static_cast<std::size_t>(y) * m_width + x] != 0;
}
