#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/EngineStatus.h"
#include "engine/PingRecord.h"

// The bytes of the recording files: data file records (.sd), the index of
// record offsets (.idx) and the names of a recording's three files.
namespace RecordFile {

inline constexpr std::uint32_t kRecordBytesMax = RecordSize(kRawFrameMax);
inline constexpr double kSoundSpeedMax = 1700.0;

struct Paths {
    std::string data;   // .sd
    std::string index;  // .idx
    std::string text;   // .txt
};

// The three files of the recording chosen as path: the file name is cut at
// its first '.', the folder part stays whole.
Paths PathsFor(const std::string& path);

// Moves the file to a byte offset (data files may pass 2 GiB).
bool SeekTo(std::FILE* file, std::uint64_t offset);

// A ping time as the depth text file shows it, local time
// "%Y/%m/%d %H:%M:%S"; false when the time cannot be shown.
bool FormatLocalTime(std::int64_t seconds, char* out, std::size_t size);

// Writes the record's fields in file order into out (kRecordBytesMax
// bytes); returns the record's size, 45 + rawLength.
std::uint32_t Encode(const PingRecord& record, std::uint8_t* out);

enum class ReadStatus {
    kOk,
    kInvalid,  // the fields fail the validity tests
    kShort,    // the file ends inside the record
    kZeroed,   // zero bytes where a record should be (see Read)
};

// Reads the record at the file's position. With upToTime only the fields up
// to and including the time are read. A record is valid when its raw length
// is at most 500 and its sound speed at most 1700 m/s; a full read also
// needs a range index and offset that exist in the range tables.
//
// A power cut can leave a run of zero bytes in a data file. What is read
// there is no ping: a record with no raw frame (every frame the program
// keeps runs from 0x0A to 0xCA), or one whose time and every field after
// it are zero (no ping is ever taken in the first second of 1970). Both are
// kZeroed: a record wholly inside the run is both, one whose length field
// the run covers has no frame, and one whose tail the run covers from its
// time or earlier has a zero time and fields. A record that ends in zeros
// after a time that is not 0 (a ping on the 5 m range at gain 0, say) is
// read as it is.
ReadStatus Read(std::FILE* file, PingRecord& record, bool upToTime);

// Decodes the record at the start of bytes (available of them), with the
// same tests as a full Read.
ReadStatus Decode(const std::uint8_t* bytes, std::size_t available, PingRecord& record);

// Whether a record that read as valid also looks like one the program wrote:
// a raw frame of at least one byte from the start byte 0x0A to the end byte
// 0xCA. Used when the records of a data file are found without its index.
bool LooksRecorded(const PingRecord& record);

enum class IndexStatus { kOk, kMissing, kUnreadable, kNotRegular, kEmpty, kTooMany, kShort };

// Reads an index file into offsets (kRecordOffsetMax entries); anything but
// a regular file is refused without blocking. The count is
// checked before any offset is read: an index that lists no records, more
// than the table holds, or more than the file contains is refused.
IndexStatus ReadIndex(const std::string& path, std::uint32_t* offsets, std::uint32_t* count);

// The failure for an index that cannot be used (success for kOk).
EngineStatus IndexFailure(IndexStatus status, const std::string& path, std::uint32_t count);

// What the user is told when the records of a recording without an index
// file were found by scanning its data file: code (kOpenedByScanning or
// kContinuedByScanning) for the data file, with the records found and the
// missing index as its cause.
EngineStatus ScannedNotice(EngineError code, const Paths& paths, std::uint32_t records);

// Replaces the index file with count and the first count offsets, safely
// (a crash leaves the old index or the new one).
EngineStatus WriteIndex(const std::string& path, const std::uint32_t* offsets, std::uint32_t count);

}  // namespace RecordFile
