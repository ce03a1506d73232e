// The recording files: writing the data, index and depth text files while
// recording, and reading one record back.
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "engine/RecordFile.h"
#include "engine/XSound.h"

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

// The count the index file lists: every record written so far. A continued
// recording in which nothing new was written keeps its old index whole (its
// last record was only going to be overwritten).
std::uint32_t IndexedCount(const XSound& engine) {
    const auto& state = engine.m_recordingFiles;
    if (!state.createdHere && !state.wroteRecord) return state.continuedCount;
    return engine.m_recordIndex.load(std::memory_order_relaxed);
}

}  // namespace

// Closes the recording's files, writes the index and deletes a recording too
// short to keep. The caller holds m_fileMutex.
EngineStatus XSound::CloseRecordingFiles() {
    XSound& engine = *this;
    if (!IsRecording()) return EngineStatus::Success();
    auto& state = engine.m_recordingFiles;
    EngineStatus status;
    const std::uint32_t count = IndexedCount(engine);
    const bool keep = !state.createdHere || count >= kRecordsToKeep;

    if (engine.m_dataFile != nullptr) std::fclose(engine.m_dataFile);
    engine.m_dataFile = nullptr;
    if (keep) {
        EngineStatus written =
            RecordFile::WriteIndex(engine.m_indexPath, engine.m_recordOffsets.get(), count);
        if (!written.Ok())
            status = EngineStatus::Failure(EngineError::kCannotWriteIndex, engine.m_indexPath)
                         .Because(std::move(written));
    }
    if (engine.m_textFile != nullptr) std::fclose(engine.m_textFile);
    engine.m_textFile = nullptr;
    if (!keep) {
        RemoveFile(engine.m_dataPath);
        RemoveFile(engine.m_indexPath);
        RemoveFile(engine.m_textPath);
    }
    m_recording.store(false, std::memory_order_release);
    return status;
}

namespace {

// Opens an existing recording to go on writing it. The index must be
// readable and agree with the data file; records that follow the last
// indexed one (written after the last index checkpoint of a recording cut
// short) are taken into the index.
EngineStatus ContinueRecording(XSound& engine, const RecordFile::Paths& paths) {
    std::uint32_t* offsets = engine.m_recordOffsets.get();
    std::uint32_t count = 0;
    auto status = RecordFile::ReadIndex(paths.index, offsets, &count);
    auto refusal = [&](EngineStatus cause) {
        return EngineStatus::Failure(EngineError::kCannotContinue, paths.data)
            .Because(std::move(cause));
    };
    if (status != RecordFile::IndexStatus::kOk) {
        return refusal(status == RecordFile::IndexStatus::kMissing
                           ? EngineStatus::Failure(EngineError::kNoIndexFile, paths.index)
                           : RecordFile::IndexFailure(status, paths.index, count));
    }
    std::FILE* data = std::fopen(paths.data.c_str(), "r+b");
    if (data == nullptr)
        return EngineStatus::Failure(EngineError::kCannotContinueOpenData, paths.data, errno);
    const std::uint32_t lastIndexed = offsets[count - 1];
    std::uint32_t found = 0;
    RecordFile::Walk(data, lastIndexed, [&](std::uint32_t offset, const PingRecord&) {
        if (found++ == 0) return true;  // the last indexed record itself
        if (count >= kRecordOffsetMax) return false;
        offsets[count++] = offset;
        return true;
    });
    if (found == 0) {
        std::fclose(data);
        return refusal(EngineStatus::Failure(EngineError::kIndexMismatch, paths.index));
    }
    std::FILE* text = std::fopen(paths.text.c_str(), "ab");
    if (text == nullptr || !RecordFile::SeekTo(data, offsets[count - 1])) {
        EngineStatus failure =
            EngineStatus::Failure(EngineError::kCannotContinueOpenText, paths.data, errno);
        failure.otherPath = paths.text;
        if (text != nullptr) std::fclose(text);
        std::fclose(data);
        return failure;
    }
    engine.m_dataFile = data;
    engine.m_textFile = text;
    engine.m_recordIndex.store(count - 1, std::memory_order_relaxed);
    engine.m_recordingFiles = {};
    engine.m_recordingFiles.writeOffset = offsets[count - 1];
    engine.m_recordingFiles.continuedCount = count;
    return EngineStatus::Success();
}

// Creates the three files of a new recording. An index listing no records
// is written at once, so that a stale index of the same name never stands
// beside the new data.
EngineStatus CreateRecording(XSound& engine, const RecordFile::Paths& paths) {
    std::FILE* data = std::fopen(paths.data.c_str(), "wbx");
    if (data == nullptr)
        return EngineStatus::Failure(EngineError::kCannotCreateData, paths.data, errno);
    EngineStatus written = RecordFile::WriteIndex(paths.index, engine.m_recordOffsets.get(), 0);
    if (!written.Ok()) {
        std::fclose(data);
        RemoveFile(paths.data);
        return EngineStatus::Failure(EngineError::kCannotCreateIndex, paths.index)
            .Because(std::move(written));
    }
    std::FILE* text = std::fopen(paths.text.c_str(), "wb");
    if (text == nullptr ||
        std::fwrite(kTextHeader, 1, sizeof kTextHeader - 1, text) != sizeof kTextHeader - 1 ||
        std::fflush(text) != 0) {
        const EngineStatus failure =
            EngineStatus::Failure(EngineError::kCannotCreateText, paths.text, errno);
        if (text != nullptr) {
            std::fclose(text);
            RemoveFile(paths.text);
        }
        std::fclose(data);
        RemoveFile(paths.data);
        RemoveFile(paths.index);
        return failure;
    }
    engine.m_dataFile = data;
    engine.m_textFile = text;
    engine.m_recordIndex.store(0, std::memory_order_relaxed);
    engine.m_recordingFiles = {};
    engine.m_recordingFiles.createdHere = true;
    return EngineStatus::Success();
}

}  // namespace

EngineStatus XSound::StartRecording(const std::string& chosenPath) {
    std::lock_guard<std::mutex> lock(m_fileMutex);
    if (IsRecording()) return EngineStatus::Failure(EngineError::kAlreadyRecording);
    if (!IsLive()) return EngineStatus::Failure(EngineError::kRecordingDuringPlayback);
    const RecordFile::Paths paths = RecordFile::PathsFor(chosenPath);
    const fs::path folder = fs::path(paths.data).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec)
            return EngineStatus::Failure(EngineError::kCannotCreateFolder, folder.string(),
                                         ec.value());
    }
    EngineStatus status =
        Exists(paths.data) ? ContinueRecording(*this, paths) : CreateRecording(*this, paths);
    if (!status.Ok()) return status;
    m_dataPath = paths.data;
    m_indexPath = paths.index;
    m_textPath = paths.text;
    m_markNumber.store(0, std::memory_order_relaxed);
    m_recording.store(true, std::memory_order_release);
    return EngineStatus::Success();
}

void XSound::WriteRecord() {
    EngineStatus report;
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        if (!IsRecording() || m_dataFile == nullptr) return;
        auto& state = m_recordingFiles;
        const std::uint32_t index = m_recordIndex.load(std::memory_order_relaxed);
        const std::uint32_t n = m_rawLength;
        if (n == 0 || n > kRawFrameMax) return;  // no frame to keep
        const std::uint64_t end = std::uint64_t{state.writeOffset} + RecordSize(n);
        if (index >= kRecordOffsetMax || end > std::numeric_limits<std::uint32_t>::max()) {
            EngineStatus closed = CloseRecordingFiles();
            report = EngineStatus::Failure(EngineError::kIndexFull);
            if (!closed.Ok()) report.Because(std::move(closed));
        } else {
            PingRecord record;
            record.rawLength = n;
            std::memcpy(record.raw, m_rawFrame, n);
            record.settings = CurrentPingSettings();
            record.time = Host().Now();
            record.markFlag = m_markFlag.load(std::memory_order_relaxed);
            record.markNumber = m_markNumber.load(std::memory_order_relaxed);
            std::uint8_t bytes[RecordFile::kRecordBytesMax];
            const std::uint32_t size = RecordFile::Encode(record, bytes);
            // One write and a flush: the record is with the operating system
            // before the next byte arrives, so a crash of the program cannot
            // lose it.
            if (std::fwrite(bytes, 1, size, m_dataFile) == size && std::fflush(m_dataFile) == 0) {
                m_recordOffsets[index] = state.writeOffset;
                state.writeOffset += size;
                state.wroteRecord = true;
                state.lastRecordTime = record.time;
                m_recordIndex.store(index + 1, std::memory_order_relaxed);
            } else {
                // The next record overwrites whatever part of this one
                // reached the file; the user hears of it once.
                const int reason = errno;
                std::clearerr(m_dataFile);
                RecordFile::SeekTo(m_dataFile, state.writeOffset);
                if (!state.writeFailureShown) {
                    state.writeFailureShown = true;
                    report =
                        EngineStatus::Failure(EngineError::kCannotWriteData, m_dataPath, reason);
                }
            }
        }
    }
    if (!report.Ok()) Host().Report(report);
}

void XSound::WriteDepthLine() {
    std::lock_guard<std::mutex> lock(m_fileMutex);
    if (m_textFile == nullptr) return;
    const std::int64_t time =
        m_recordingFiles.wroteRecord ? m_recordingFiles.lastRecordTime : Host().Now();
    char line[96];
    if (!RecordFile::FormatLocalTime(time, line, 64)) return;
    std::size_t length = std::strlen(line);
    std::memcpy(line + length, "   ", 3);
    length += 3;
    auto result =
        std::to_chars(line + length, line + sizeof line - 2,
                      m_depth.load(std::memory_order_relaxed), std::chars_format::fixed, 2);
    if (result.ec != std::errc()) return;
    length = static_cast<std::size_t>(result.ptr - line);
    line[length++] = '\r';
    line[length++] = '\n';
    std::fwrite(line, 1, length, m_textFile);
    std::fflush(m_textFile);
}

void XSound::CloseRecording() {
    EngineStatus status;
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        status = CloseRecordingFiles();
    }
    if (!status.Ok()) Host().Report(status);
}

bool XSound::CheckpointIndex() {
    std::lock_guard<std::mutex> lock(m_fileMutex);
    if (!IsRecording()) return false;
    return RecordFile::WriteIndex(m_indexPath, m_recordOffsets.get(), IndexedCount(*this)).Ok();
}

bool XSound::ReadRecord() {
    if (m_dataFile == nullptr) return false;
    if (RecordFile::Read(m_dataFile, m_record, false) != RecordFile::ReadStatus::kOk) return false;
    std::memcpy(m_rawFrame, m_record.raw, m_record.rawLength);
    m_rawLength = m_record.rawLength;
    ApplyPingSettings(m_record.settings);
    m_pingTime.store(m_record.time, std::memory_order_relaxed);
    m_markFlag.store(m_record.markFlag, std::memory_order_relaxed);
    m_markNumber.store(m_record.markNumber, std::memory_order_relaxed);
    return true;
}

bool XSound::ReadRecordTime() {
    if (m_dataFile == nullptr) return false;
    if (RecordFile::Read(m_dataFile, m_record, true) != RecordFile::ReadStatus::kOk) return false;
    m_pingTime.store(m_record.time, std::memory_order_relaxed);
    return true;
}
