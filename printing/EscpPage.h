#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The paper as the chart printer would print a byte stream, for viewing the
// chart without the printer. Understands the printer's commands the chart
// uses: ESC * 33 (24-dot double-density bit image), ESC 3 (line spacing),
// CR, LF, FS & and FS . (Chinese mode on and off), FS - and ESC -
// (underline), and text (GBK in Chinese mode). Other bytes are counted.
//
// Coordinates are printer dots: x in 1/120 inch (the bit image's density),
// y in 1/180 inch (the pins' pitch). Standard library only; the picture is
// drawn elsewhere.
class EscpPage {
public:
    static constexpr int kPaperWidth = 960;    // 8 inches
    static constexpr int kLineHeight = 24;     // dots of one print line
    static constexpr int kHalfWidthPitch = 9;  // Chinese mode: 3/40 inch a byte
    static constexpr int kLatinPitch = 12;     // 10 characters an inch

    // One character as printed: its bytes (GBK in Chinese mode), where it
    // starts and how many dots across it takes.
    struct Character {
        std::string bytes;
        int x = 0;
        int width = 0;
    };
    // Characters printed one after the other on a print line.
    struct TextRun {
        int y = 0;  // top of the print line
        bool underline = false;
        std::vector<Character> characters;
    };

    // Interprets more of the stream; a command may be split between calls.
    void Feed(const std::uint8_t* bytes, std::size_t length);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // One byte a dot, row by row: 1 for a printed dot.
    const std::vector<std::uint8_t>& Dots() const { return m_dots; }
    bool Dot(int x, int y) const;
    const std::vector<TextRun>& Text() const { return m_text; }
    // Bytes that were not understood (and not printed), with those of a
    // command the stream ended in the middle of.
    std::size_t UnknownBytes() const { return m_unknown + m_pending.size(); }

private:
    bool Step(const std::uint8_t* bytes, std::size_t length, std::size_t* used);
    void BitImage(int mode, int columns, const std::uint8_t* data);
    void PrintCharacter(const std::uint8_t* bytes, std::size_t count);
    void GrowTo(int width, int height);
    void SetDot(int x, int y);

    std::vector<std::uint8_t> m_pending;  // an incomplete command
    int m_x = 0;
    int m_y = 0;
    int m_lineSpacing = 30;  // 1/6 inch
    bool m_chinese = false;
    bool m_underline = false;
    bool m_runOpen = false;  // the last text run can be continued
    int m_width = kPaperWidth;
    int m_height = 0;
    std::vector<std::uint8_t> m_dots;
    std::vector<TextRun> m_text;
    std::size_t m_unknown = 0;
};
