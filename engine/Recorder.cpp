#include "engine/Recorder.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>

#include "engine/FileLock.h"
#include "engine/IndexRecovery.h"
#include "engine/PingRecord.h"
#include "engine/RecordFile.h"
#include "engine/RegularFile.h"

namespace fs = std::filesystem;

namespace {

constexpr char kTextHeader[] =
    "  日期      时间      深度      经度      维度      航向      航速    \r\n";
// Recordings with fewer records than this leave no files behind.
constexpr std::uint32_t kRecordsToKeep = 3;

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

void RemoveFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

// A file of the recording that could not be opened: not a regular file, or
// the system's reason under code.
EngineStatus OpenFailure(EngineError code, const std::string& path,
                         const RegularFile::Opened& opened) {
    if (opened.problem == RegularFile::Problem::kNotRegular)
        return EngineStatus::Failure(EngineError::kNotRegularFile, path);
    return EngineStatus::Failure(code, path, opened.systemError);
}

// Records and lines go to the system in one write each, so that a failed
// write leaves nothing in a buffer to reach the file later.
void UnbufferedForRecording(std::FILE* data, std::FILE* text) {
    std::setvbuf(data, nullptr, _IONBF, 0);
    std::setvbuf(text, nullptr, _IONBF, 0);
}

}  // namespace

EngineStatus Recorder::CloseFiles() {
    if (!IsRecording()) return EngineStatus::Success();
    auto& state = m_write;
    EngineStatus status;
    // The index lists every record written or found so far.
    const std::uint32_t count = m_player.RecordIndex();
    const bool keep = !state.createdHere || count >= kRecordsToKeep;

    if (m_files.m_dataFile != nullptr) std::fclose(m_files.m_dataFile);
    m_files.m_dataFile = nullptr;
    if (keep) {
        EngineStatus written =
            RecordFile::WriteIndex(m_files.m_indexPath, m_player.Offsets(), count);
        if (!written.Ok())
            status = EngineStatus::Failure(EngineError::kCannotWriteIndex, m_files.m_indexPath)
                         .Because(std::move(written));
    }
    if (m_files.m_textFile != nullptr) std::fclose(m_files.m_textFile);
    m_files.m_textFile = nullptr;
    if (!keep) {
        RemoveFile(m_files.m_dataPath);
        RemoveFile(m_files.m_indexPath);
        RemoveFile(m_files.m_textPath);
    }
    m_unrecordedPings.store(0, std::memory_order_release);
    m_recording.store(false, std::memory_order_release);
    return status;
}

namespace {

// Opens an existing recording to go on writing it. Records that follow
// the last indexed one (written after the last index checkpoint of a
// recording cut short) are taken into the index, and new records go after
// the last record in the file: nothing recorded is overwritten. The data
// file is locked for writing first: a second program is refused.
EngineStatus ContinueRecording(RecordingFiles& files, Player& player,
                               const RecordFile::Paths& paths, Recorder::WriteState& state) {
    const RegularFile::Opened opened = RegularFile::Open(paths.data, RegularFile::Mode::kReadWrite);
    if (opened.file == nullptr)
        return OpenFailure(EngineError::kCannotContinueOpenData, paths.data, opened);
    std::FILE* data = opened.file;
    if (LockForWriting(data) == LockResult::kHeldElsewhere) {
        std::fclose(data);
        return EngineStatus::Failure(EngineError::kRecordingInUse, paths.data);
    }
    auto refusal = [&](EngineStatus cause) {
        std::fclose(data);
        return EngineStatus::Failure(EngineError::kCannotContinue, paths.data)
            .Because(std::move(cause));
    };
    std::uint32_t* offsets = player.Offsets();
    std::uint32_t count = 0;
    const auto status = RecordFile::ReadIndex(paths.index, offsets, &count);
    // A missing index lists no records: all of them are found below.
    const bool missing = status == RecordFile::IndexStatus::kMissing;
    if (status != RecordFile::IndexStatus::kOk && status != RecordFile::IndexStatus::kEmpty &&
        !missing)
        return refusal(RecordFile::IndexFailure(status, paths.index, count));
    if (status != RecordFile::IndexStatus::kOk) count = 0;
    // Read through a stream of its own: the one written stays untouched
    // until it is made unbuffered.
    const RegularFile::Opened reading = RegularFile::Open(paths.data, RegularFile::Mode::kRead);
    if (reading.file == nullptr) {
        std::fclose(data);
        return OpenFailure(EngineError::kCannotContinueOpenData, paths.data, reading);
    }
    const IndexRecovery recovery = RecoverIndex(reading.file, offsets, &count);
    std::fclose(reading.file);
    std::error_code ec;
    const std::uint64_t size = fs::file_size(paths.data, ec);
    // Bytes, but no record: not a recording this program wrote.
    if (!ec && count == 0 && size > 0)
        return refusal(EngineStatus::Failure(EngineError::kNoReadableRecord, paths.data));
    // A record cut short at the end is written over; a longer stretch that
    // is not a record is kept, and new records follow it.
    std::uint64_t writeOffset = recovery.endOffset;
    if (!ec && size > writeOffset && size - writeOffset >= RecordFile::kRecordBytesMax)
        writeOffset = size;
    const RegularFile::Opened text = RegularFile::Open(paths.text, RegularFile::Mode::kAppend);
    if (text.file != nullptr) UnbufferedForRecording(data, text.file);
    if (ec || writeOffset > std::numeric_limits<std::uint32_t>::max() ||
        !RecordFile::SeekTo(data, writeOffset) || text.file == nullptr) {
        EngineStatus failure =
            text.problem == RegularFile::Problem::kNotRegular
                ? EngineStatus::Failure(EngineError::kNotRegularFile, paths.text)
                : EngineStatus::Failure(EngineError::kCannotContinueOpenText, paths.data,
                                        text.systemError != 0 ? text.systemError : EIO);
        failure.otherPath = paths.text;
        if (text.file != nullptr) std::fclose(text.file);
        std::fclose(data);
        return failure;
    }
    // The recording has an index again before its first new record.
    if (missing) {
        EngineStatus written = RecordFile::WriteIndex(paths.index, offsets, count);
        if (!written.Ok()) {
            std::fclose(text.file);
            return refusal(EngineStatus::Failure(EngineError::kCannotCreateIndex, paths.index)
                               .Because(std::move(written)));
        }
    }
    files.m_dataFile = data;
    files.m_textFile = text.file;
    player.SetRecordIndex(count);
    state = {};
    state.writeOffset = static_cast<std::uint32_t>(writeOffset);
    state.recoveredRecords = recovery.found;
    if (missing)
        state.notice = RecordFile::ScannedNotice(EngineError::kContinuedByScanning, paths, count);
    return EngineStatus::Success();
}

// Creates the three files of a new recording. An index listing no records
// is written at once, so that a stale index of the same name never stands
// beside the new data.
EngineStatus CreateRecording(RecordingFiles& files, Player& player, const RecordFile::Paths& paths,
                             Recorder::WriteState& state) {
    const RegularFile::Opened opened =
        RegularFile::Open(paths.data, RegularFile::Mode::kCreateOnly);
    std::FILE* data = opened.file;
    if (data == nullptr) return OpenFailure(EngineError::kCannotCreateData, paths.data, opened);
    if (LockForWriting(data) == LockResult::kHeldElsewhere) {
        std::fclose(data);
        return EngineStatus::Failure(EngineError::kRecordingInUse, paths.data);
    }
    EngineStatus written = RecordFile::WriteIndex(paths.index, player.Offsets(), 0);
    if (!written.Ok()) {
        std::fclose(data);
        RemoveFile(paths.data);
        return EngineStatus::Failure(EngineError::kCannotCreateIndex, paths.index)
            .Because(std::move(written));
    }
    const RegularFile::Opened openedText =
        RegularFile::Open(paths.text, RegularFile::Mode::kCreate);
    std::FILE* text = openedText.file;
    if (text != nullptr) UnbufferedForRecording(data, text);
    if (text == nullptr ||
        std::fwrite(kTextHeader, 1, sizeof kTextHeader - 1, text) != sizeof kTextHeader - 1 ||
        std::fflush(text) != 0) {
        const EngineStatus failure =
            text == nullptr
                ? OpenFailure(EngineError::kCannotCreateText, paths.text, openedText)
                : EngineStatus::Failure(EngineError::kCannotCreateText, paths.text, errno);
        if (text != nullptr) {
            std::fclose(text);
            RemoveFile(paths.text);
        }
        std::fclose(data);
        RemoveFile(paths.data);
        RemoveFile(paths.index);
        return failure;
    }
    files.m_dataFile = data;
    files.m_textFile = text;
    player.SetRecordIndex(0);
    state = {};
    state.createdHere = true;
    return EngineStatus::Success();
}

}  // namespace

EngineStatus Recorder::Start(const std::string& chosenPath, bool live,
                             const std::function<void()>& started) {
    std::lock_guard<std::mutex> lock(m_files.m_fileMutex);
    if (IsRecording()) return EngineStatus::Failure(EngineError::kAlreadyRecording);
    if (!live) return EngineStatus::Failure(EngineError::kRecordingDuringPlayback);
    const RecordFile::Paths paths = RecordFile::PathsFor(chosenPath);
    const fs::path folder = fs::path(paths.data).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec)
            return EngineStatus::Failure(EngineError::kCannotCreateFolder, folder.string(),
                                         ec.value());
    }
    // A link, FIFO, folder or device at any of the three names is refused
    // before anything is created, written or followed.
    for (const std::string* path : {&paths.data, &paths.index, &paths.text})
        if (RegularFile::IsSpecial(*path))
            return EngineStatus::Failure(EngineError::kNotRegularFile, *path);
    EngineStatus status = Exists(paths.data) ? ContinueRecording(m_files, m_player, paths, m_write)
                                             : CreateRecording(m_files, m_player, paths, m_write);
    if (!status.Ok()) return status;
    m_files.m_dataPath = paths.data;
    m_files.m_indexPath = paths.index;
    m_files.m_textPath = paths.text;
    if (started) started();
    m_recording.store(true, std::memory_order_release);
    return EngineStatus::Success();
}

void Recorder::WriteRecord(std::span<const std::uint8_t> raw, const PingSettings& settings,
                           std::uint8_t markFlag, std::int32_t markNumber, EngineHost& host) {
    EngineStatus report;
    {
        std::lock_guard<std::mutex> lock(m_files.m_fileMutex);
        auto& state = m_write;
        state.depthLineDue = false;
        if (!IsRecording() || m_files.m_dataFile == nullptr) return;
        const std::uint32_t index = m_player.RecordIndex();
        const auto n = static_cast<std::uint32_t>(raw.size());
        if (n == 0 || n > kRawFrameMax) return;  // no frame to keep
        const std::uint64_t end = std::uint64_t{state.writeOffset} + RecordSize(n);
        if (index >= kRecordOffsetMax || end > std::numeric_limits<std::uint32_t>::max()) {
            EngineStatus closed = CloseFiles();
            report = EngineStatus::Failure(EngineError::kIndexFull);
            if (!closed.Ok()) report.Because(std::move(closed));
        } else {
            PingRecord record;
            record.rawLength = n;
            std::memcpy(record.raw, raw.data(), n);
            record.settings = settings;
            record.time = host.Now();
            record.markFlag = markFlag;
            record.markNumber = markNumber;
            std::uint8_t bytes[RecordFile::kRecordBytesMax];
            const std::uint32_t size = RecordFile::Encode(record, bytes);
            // One write and a flush: the record is with the operating system
            // before the next byte arrives, so a crash of the program cannot
            // lose it.
            if (std::fwrite(bytes, 1, size, m_files.m_dataFile) == size &&
                std::fflush(m_files.m_dataFile) == 0) {
                m_player.Offsets()[index] = state.writeOffset;
                state.writeOffset += size;
                state.wroteRecord = true;
                state.depthLineDue = true;
                state.lastRecordTime = record.time;
                m_player.SetRecordIndex(index + 1);
                m_unrecordedPings.store(0, std::memory_order_release);
            } else {
                // A full disk, say: the part of the record that reached the
                // file is cut off again, the ping is counted for the status
                // bar, and the next ping tries again. The user is told once.
                const int reason = errno;
                std::clearerr(m_files.m_dataFile);
                RegularFile::CutBack(m_files.m_dataFile, state.writeOffset);
                m_unrecordedPings.fetch_add(1, std::memory_order_acq_rel);
                if (!state.writeFailureShown) {
                    state.writeFailureShown = true;
                    report = EngineStatus::Failure(EngineError::kCannotWriteData,
                                                   m_files.m_dataPath, reason);
                }
            }
        }
    }
    if (!report.Ok()) host.Report(report);
}

void Recorder::WriteDepthLine(double depth, std::int64_t pingTimeMs, EngineHost& host) {
    std::lock_guard<std::mutex> lock(m_files.m_fileMutex);
    if (m_files.m_textFile == nullptr || !m_write.depthLineDue) return;
    m_write.depthLineDue = false;
    const std::optional<EngineHost::PingPlace> place =
        host.PlaceRecordedPing(m_player.RecordIndex() - 1, pingTimeMs);
    char line[160];
    if (!RecordFile::FormatLocalTime(m_write.lastRecordTime, line, 64)) return;
    std::size_t length = std::strlen(line);
    // Each column after three spaces: the depth, then the place's, where a
    // value not known is "-".
    auto column = [&](double value, int decimals) {
        if (length + 3 + 32 > sizeof line) return false;
        std::memcpy(line + length, "   ", 3);
        length += 3;
        if (place && !std::isfinite(value)) {
            line[length++] = '-';
            return true;
        }
        auto result = std::to_chars(line + length, line + sizeof line - 2, value,
                                    std::chars_format::fixed, decimals);
        length = static_cast<std::size_t>(result.ptr - line);
        return result.ec == std::errc();
    };
    if (!column(depth, 2)) return;
    if (place && !(column(place->longitude, 7) && column(place->latitude, 7) &&
                   column(place->course, 1) && column(place->speedKnots, 2)))
        return;
    line[length++] = '\r';
    line[length++] = '\n';
    // A line is written whole or not at all: what part of it reached a
    // full disk is cut off again.
    const std::uint64_t end = RegularFile::Tell(m_files.m_textFile);
    if (std::fwrite(line, 1, length, m_files.m_textFile) != length ||
        std::fflush(m_files.m_textFile) != 0) {
        std::clearerr(m_files.m_textFile);
        RegularFile::CutBack(m_files.m_textFile, end);
    }
}

void Recorder::Close(EngineHost& host) {
    EngineStatus status;
    {
        std::lock_guard<std::mutex> lock(m_files.m_fileMutex);
        status = CloseFiles();
    }
    if (!status.Ok()) host.Report(status);
}

bool Recorder::CheckpointIndex() {
    std::lock_guard<std::mutex> lock(m_files.m_fileMutex);
    if (!IsRecording()) return false;
    return RecordFile::WriteIndex(m_files.m_indexPath, m_player.Offsets(), m_player.RecordIndex())
        .Ok();
}
