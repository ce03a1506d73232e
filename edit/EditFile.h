#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edit/Edit.h"
#include "edit/EditStatus.h"

// The edit file beside a recording, BASE.edits.csv: the recording's edits,
// one line each, appended as they are made and never rewritten, so a crash
// loses at most the line being written. A person can read it:
//
//   # Marevox edits, version 1
//   # recording,183400,line1.sd
//   record,time,action,depth,source,made
//   412,1796630420,reject,,spike,2026-12-08T17:40:00Z
//   413,1796630420,set,12.350,hand,2026-12-08T17:41:05Z
//
// The second line names the recording's data file and its size when the
// file was begun: a file made for another recording is refused, and a
// recording continued since keeps its edits (each names its record's time).
// The file is never opened through a symbolic link.
namespace EditFile {

inline constexpr int kVersion = 1;

// The recording an edit file belongs to: its data file's name (without the
// folder) and size in bytes.
struct Identity {
    std::string name;
    std::uint64_t size = 0;
};

// BASE.edits.csv for a recording chosen as path (any of its files).
std::string PathFor(const std::string& recordingPath);
// The identity of the recording's data file as it is now.
EditStatus IdentityOf(const std::string& recordingPath, Identity& out);

struct Loaded {
    std::vector<Edit> edits;  // the whole lines read, in file order
    bool exists = false;      // there was a file
    EditStatus refused;       // why the file cannot be used (Ok when it can)
    EditStatus damaged;       // kDamagedLines when lines were skipped (Ok otherwise)
};

// Reads the edit file at path for the recording. A missing file is no
// edits. A line that cannot be read, and a last line without its end (a
// write cut short), are skipped and counted.
Loaded Load(const std::string& path, const Identity& recording);

// Appends the edits to the file at path in one write, creating it with its
// header when missing or empty; a last line cut short is dropped first.
// The file, if there, was loaded for this recording.
EditStatus Append(const std::string& path, const Identity& recording, std::span<const Edit> edits);

// One edit as a line of the file (with its '\n'), and back. A depth is
// written to the millimetre; one past 12,000 m is no depth.
std::string FormatLine(const Edit& edit);
bool ParseLine(std::string_view line, Edit& out);

}  // namespace EditFile
