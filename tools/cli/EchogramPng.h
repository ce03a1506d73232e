#pragma once

#include <cstdint>
#include <memory>
#include <string>

class XSound;

// The echogram of a whole recording as PNG pictures: one column per drawn
// record, 475 rows, drawn by the echogram's own column code (colours, event
// marks, range-change columns). A recording longer than 30,000 records is
// split into OUT-1.png, OUT-2.png, ... of 30,000 columns each.
class EchogramPng {
public:
    static constexpr std::uint32_t kMaxColumns = 30000;

    virtual ~EchogramPng() = default;

    // A writer into `path`; null with `error` set when this build has no
    // picture support.
    static std::unique_ptr<EchogramPng> Create(const std::string& path, std::string* error);

    // Draws the engine's current ping (a processed record) as the next
    // column, writing each picture as it fills. records: how many the
    // recording lists (taken at the first call).
    virtual void AddColumn(XSound& engine, std::uint32_t records) = 0;
    // Marks a depth (m) on the column drawn last, two rows in kEditedLine,
    // at the scale of the range that ping was drawn with: the edited
    // bottom line of replay --png --edited.
    virtual void MarkDepth(XSound& engine, double metres) = 0;
    static constexpr std::uint32_t kEditedLine = 0xFF00FF00;  // green
    // Writes the last picture. False with `error` set when a picture could
    // not be written or nothing was drawn.
    virtual bool Finish(std::string* error) = 0;

    // The file of picture `part` (1-based): `path` itself when the
    // recording fits one picture, else the name with "-part" before the
    // extension.
    static std::string PartPath(const std::string& path, bool split, int part);
};
