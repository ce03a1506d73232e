#include "engine/RecordFile.h"

#include <bit>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <system_error>

#ifndef _WIN32
#include <sys/types.h>
#endif

#include "engine/FileReplace.h"
#include "engine/RegularFile.h"

namespace RecordFile {

namespace {

// Bytes after the raw frame up to and including the time, and after that.
constexpr std::uint32_t kFieldsToTime = 8 + 8 + 1 + 8 + 8;
constexpr std::uint32_t kFieldsAfterTime = 1 + 4 + 1 + 1 + 1;

class Writer {
public:
    explicit Writer(std::uint8_t* out) : m_out(out) {}
    void U8(std::uint8_t v) { m_out[m_size++] = v; }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void U64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void F64(double v) { U64(std::bit_cast<std::uint64_t>(v)); }
    void Bytes(const std::uint8_t* bytes, std::uint32_t n) {
        std::memcpy(m_out + m_size, bytes, n);
        m_size += n;
    }
    std::uint32_t Size() const { return m_size; }

private:
    std::uint8_t* m_out;
    std::uint32_t m_size = 0;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* in) : m_in(in) {}
    std::uint8_t U8() { return m_in[m_pos++]; }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(U8()) << (8 * i);
        return v;
    }
    std::uint64_t U64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(U8()) << (8 * i);
        return v;
    }
    double F64() { return std::bit_cast<double>(U64()); }

private:
    const std::uint8_t* m_in;
    std::uint32_t m_pos = 0;
};

bool ReadExactly(std::FILE* file, void* out, std::size_t n) {
    return std::fread(out, 1, n, file) == n;
}

std::uint32_t FromLittleEndian(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) return v;
    return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
}

std::uint64_t Tell(std::FILE* file) {
#ifdef _WIN32
    const __int64 position = _ftelli64(file);
#else
    const off_t position = ::ftello(file);
#endif
    return position < 0 ? std::numeric_limits<std::uint64_t>::max()
                        : static_cast<std::uint64_t>(position);
}

}  // namespace

bool SeekTo(std::FILE* file, std::uint64_t offset) {
    // Playback and the time search read records in file order: a seek to
    // where the file already is would only cost a system call.
    if (std::feof(file) == 0 && std::ferror(file) == 0 && Tell(file) == offset) return true;
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool FormatLocalTime(std::int64_t seconds, char* out, std::size_t size) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0) return false;
#else
    if (localtime_r(&time, &local) == nullptr) return false;
#endif
    return std::strftime(out, size, "%Y/%m/%d %H:%M:%S", &local) != 0;
}

Paths PathsFor(const std::string& path) {
    std::filesystem::path chosen(path);
    std::string name = chosen.filename().string();
    std::string base = (chosen.parent_path() / name.substr(0, name.find('.'))).string();
    return {base + ".sd", base + ".idx", base + ".txt"};
}

std::uint32_t Encode(const PingRecord& record, std::uint8_t* out) {
    const std::uint32_t n = record.rawLength <= kRawFrameMax ? record.rawLength : kRawFrameMax;
    Writer w(out);
    w.U32(n);
    w.Bytes(record.raw, n);
    w.F64(record.settings.m_soundSpeed);
    w.F64(record.settings.m_draft);
    w.U8(record.settings.m_antiJamMode);
    w.F64(record.settings.m_antiJamDepth);
    w.U64(static_cast<std::uint64_t>(record.time));
    w.U8(record.markFlag);
    w.U32(static_cast<std::uint32_t>(record.markNumber));
    w.U8(record.settings.m_rangeIndex);
    w.U8(record.settings.m_rangeOffset);
    w.U8(static_cast<std::uint8_t>(record.settings.m_gain));
    return w.Size();
}

namespace {

bool AllZero(const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// The fields after the raw frame; bytes holds got of them.
ReadStatus DecodeFields(const std::uint8_t* bytes, std::size_t got, PingRecord& record,
                        bool upToTime) {
    const std::size_t fields = kFieldsToTime + kFieldsAfterTime;
    if (got < (upToTime ? kFieldsToTime : fields)) return ReadStatus::kShort;
    // No frame, or a time of 0 with nothing but zeros after it.
    constexpr std::size_t kTimeAt = kFieldsToTime - 8;
    if (record.rawLength == 0 || AllZero(bytes + kTimeAt, (got < fields ? got : fields) - kTimeAt))
        return ReadStatus::kZeroed;
    Reader r(bytes);
    record.settings.m_soundSpeed = r.F64();
    record.settings.m_draft = r.F64();
    record.settings.m_antiJamMode = r.U8();
    record.settings.m_antiJamDepth = r.F64();
    record.time = static_cast<std::int64_t>(r.U64());
    // Written as "not above 1700" so that a NaN speed fails too.
    if (!(record.settings.m_soundSpeed <= kSoundSpeedMax)) return ReadStatus::kInvalid;
    if (upToTime) return ReadStatus::kOk;

    record.markFlag = r.U8();
    record.markNumber = static_cast<std::int32_t>(r.U32());
    record.settings.m_rangeIndex = r.U8();
    record.settings.m_rangeOffset = r.U8();
    record.settings.m_gain = static_cast<std::int8_t>(r.U8());
    if (record.settings.m_rangeIndex > 4 || record.settings.m_rangeOffset > 2)
        return ReadStatus::kInvalid;
    return ReadStatus::kOk;
}

}  // namespace

ReadStatus Read(std::FILE* file, PingRecord& record, bool upToTime) {
    std::uint8_t bytes[kFieldsToTime + kFieldsAfterTime];
    if (!ReadExactly(file, bytes, 4)) return ReadStatus::kShort;
    const std::uint32_t n = Reader(bytes).U32();
    if (n > kRawFrameMax) return ReadStatus::kInvalid;
    if (!ReadExactly(file, record.raw, n)) return ReadStatus::kShort;
    record.rawLength = n;
    // The short read takes the whole record when it is there, so that the
    // file stays at the next record, but needs only the fields up to the time.
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    return DecodeFields(bytes, got, record, upToTime);
}

ReadStatus Decode(const std::uint8_t* bytes, std::size_t available, PingRecord& record) {
    if (available < 4) return ReadStatus::kShort;
    const std::uint32_t n = Reader(bytes).U32();
    if (n > kRawFrameMax) return ReadStatus::kInvalid;
    if (available < 4 + std::size_t{n}) return ReadStatus::kShort;
    std::memcpy(record.raw, bytes + 4, n);
    record.rawLength = n;
    return DecodeFields(bytes + 4 + n, available - 4 - n, record, false);
}

bool LooksRecorded(const PingRecord& record) {
    const std::uint32_t n = record.rawLength;
    return n >= 1 && n <= kRawFrameMax && record.raw[0] == 0x0A && record.raw[n - 1] == 0xCA;
}

IndexStatus ReadIndex(const std::string& path, std::uint32_t* offsets, std::uint32_t* count) {
    *count = 0;
    const RegularFile::Opened opened = RegularFile::Open(path, RegularFile::Mode::kRead);
    if (opened.problem == RegularFile::Problem::kMissing) return IndexStatus::kMissing;
    if (opened.problem == RegularFile::Problem::kNotRegular) return IndexStatus::kNotRegular;
    std::FILE* file = opened.file;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (file == nullptr || ec) {
        if (file != nullptr) std::fclose(file);
        return IndexStatus::kUnreadable;
    }
    std::uint32_t listed = 0;
    IndexStatus status = IndexStatus::kOk;
    if (!ReadExactly(file, &listed, 4)) {
        status = IndexStatus::kShort;
    } else {
        listed = FromLittleEndian(listed);
        *count = listed;
        if (listed == 0) {
            status = IndexStatus::kEmpty;
        } else if (listed > kRecordOffsetMax) {
            status = IndexStatus::kTooMany;
        } else if (size < 4 + 4 * static_cast<std::uintmax_t>(listed) ||
                   !ReadExactly(file, offsets, 4 * static_cast<std::size_t>(listed))) {
            status = IndexStatus::kShort;
        } else if constexpr (std::endian::native != std::endian::little) {
            for (std::uint32_t i = 0; i < listed; ++i) offsets[i] = FromLittleEndian(offsets[i]);
        }
    }
    std::fclose(file);
    return status;
}

EngineStatus IndexFailure(IndexStatus status, const std::string& path, std::uint32_t count) {
    EngineStatus failure = EngineStatus::Failure(EngineError::kOk, path);
    switch (status) {
        case IndexStatus::kOk:
            return EngineStatus::Success();
        case IndexStatus::kMissing:
            failure.code = EngineError::kIndexMissing;
            break;
        case IndexStatus::kUnreadable:
            failure.code = EngineError::kIndexUnreadable;
            break;
        case IndexStatus::kNotRegular:
            failure.code = EngineError::kIndexNotRegular;
            break;
        case IndexStatus::kEmpty:
            failure.code = EngineError::kIndexEmpty;
            break;
        case IndexStatus::kTooMany:
            failure.code = EngineError::kIndexTooMany;
            failure.count = count;
            break;
        case IndexStatus::kShort:
            failure.code = EngineError::kIndexShort;
            break;
    }
    return failure;
}

EngineStatus ScannedNotice(EngineError code, const Paths& paths, std::uint32_t records) {
    EngineStatus notice = EngineStatus::Notice(code, paths.data, records);
    notice.Because(IndexFailure(IndexStatus::kMissing, paths.index, 0));
    return notice;
}

EngineStatus WriteIndex(const std::string& path, const std::uint32_t* offsets,
                        std::uint32_t count) {
    // A link, FIFO or folder planted at the index's name is refused, never
    // followed or replaced.
    return ReplaceFile(
        path,
        [&](std::FILE* file) {
            std::uint8_t head[4];
            Writer(head).U32(count);
            if (std::fwrite(head, 1, 4, file) != 4) return false;
            if constexpr (std::endian::native == std::endian::little) {
                return std::fwrite(offsets, 4, count, file) == count;
            } else {
                for (std::uint32_t i = 0; i < count; ++i) {
                    Writer(head).U32(offsets[i]);
                    if (std::fwrite(head, 1, 4, file) != 4) return false;
                }
                return true;
            }
        },
        AtALink::kRefuse);
}

}  // namespace RecordFile
