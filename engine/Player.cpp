#include "engine/Player.h"

#include <cstdio>
#include <mutex>

#include "engine/IndexRecovery.h"
#include "engine/RegularFile.h"

namespace {

// Read buffer of the data file during playback.
constexpr std::size_t kPlaybackBuffer = 64 * 1024;

}  // namespace

void Player::KeepLiveSettings(const AtomicSettings& settings) {
    KeptSettings& kept = m_liveSettings;
    if (kept.kept) return;
    kept.ping = settings.Ping();
    kept.rangeIndexSet = settings.RangeIndexSet();
    kept.rangeOffsetSet = settings.RangeOffsetSet();
    // Records carry no modes, but a dialog may change them during playback.
    kept.gainAuto = settings.GainAuto();
    kept.rangeAuto = settings.RangeAuto();
    kept.kept = true;
}

void Player::RestoreLiveSettings(AtomicSettings& settings) {
    KeptSettings& kept = m_liveSettings;
    if (!kept.kept) return;
    settings.ApplyPing(kept.ping);
    settings.SetRangeIndexSet(kept.rangeIndexSet);
    settings.SetRangeOffsetSet(kept.rangeOffsetSet);
    settings.SetGainAuto(kept.gainAuto);
    settings.SetRangeAuto(kept.rangeAuto);
    kept.kept = false;
}

EngineStatus Player::Open(const RecordFile::Paths& paths) {
    m_notice = EngineStatus::Success();
    std::uint32_t count = 0;
    const auto status = RecordFile::ReadIndex(paths.index, Offsets(), &count);
    // An index that lists no records yet belongs to a recording cut short
    // before its first checkpoint, and one that is missing (lost, say, in a
    // power cut) lists none: the records are found below.
    const bool missing = status == RecordFile::IndexStatus::kMissing;
    if (status != RecordFile::IndexStatus::kOk && status != RecordFile::IndexStatus::kEmpty &&
        !missing)
        return RecordFile::IndexFailure(status, paths.index, count);
    if (status != RecordFile::IndexStatus::kOk) count = 0;
    const RegularFile::Opened opened = RegularFile::Open(paths.data, RegularFile::Mode::kRead);
    if (opened.file == nullptr)
        return opened.problem == RegularFile::Problem::kNotRegular
                   ? EngineStatus::Failure(EngineError::kNotRegularFile, paths.data)
                   : EngineStatus::Failure(EngineError::kCannotOpenData, paths.data,
                                           opened.systemError);
    std::FILE* data = opened.file;
    std::setvbuf(data, nullptr, _IOFBF, kPlaybackBuffer);
    // Records written after the index's last checkpoint are played too.
    SetRecoveredRecords(RecoverIndex(data, Offsets(), &count).found);
    {
        std::lock_guard<std::mutex> files(m_files.m_fileMutex);
        m_files.m_dataFile = data;
        m_files.m_dataPath = paths.data;
        m_files.m_indexPath = paths.index;
        m_files.m_textPath = paths.text;
    }
    SetRecordTotal(count);
    SetRecordIndex(0);
    if (!ReadTimeBounds()) {
        Close();
        SetRecordTotal(0);
        return EngineStatus::Failure(EngineError::kNoReadableRecord, paths.data);
    }
    SetRecordIndex(0);
    if (missing) m_notice = RecordFile::ScannedNotice(EngineError::kOpenedByScanning, paths, count);
    return EngineStatus::Success();
}

void Player::Close() {
    std::lock_guard<std::mutex> files(m_files.m_fileMutex);
    if (m_files.m_dataFile != nullptr) std::fclose(m_files.m_dataFile);
    m_files.m_dataFile = nullptr;
}

bool Player::Seek(std::uint32_t index) {
    if (m_files.m_dataFile == nullptr || index >= RecordTotal()) return false;
    return RecordFile::SeekTo(m_files.m_dataFile, Offsets()[index]);
}

bool Player::Read(PingRecord& record, bool upToTime) {
    if (m_files.m_dataFile == nullptr) return false;
    return RecordFile::Read(m_files.m_dataFile, record, upToTime) == RecordFile::ReadStatus::kOk;
}

bool Player::ReadTimeOf(std::uint32_t index, std::int64_t& time) {
    PingRecord record;
    if (!Seek(index) || !Read(record, true)) return false;
    time = record.time;
    return true;
}

bool Player::ReadTimeBounds() {
    // The first and last records that can be read; in a sound recording
    // these are records 0 and total - 1.
    const std::uint32_t total = RecordTotal();
    std::int64_t firstTime = 0;
    std::uint32_t first = 0;
    while (first < total && !ReadTimeOf(first, firstTime)) ++first;
    if (first == total) return false;
    std::int64_t lastTime = firstTime;
    std::uint32_t last = total - 1;
    while (last > first && !ReadTimeOf(last, lastTime)) --last;
    SetTimeBounds(firstTime, lastTime);
    return true;
}

bool Player::SeekSearchTime(std::int64_t& time) {
    const std::int64_t target = m_searchTime;
    const std::uint32_t total = RecordTotal();
    const std::uint32_t remembered = RecordIndex();
    const std::int64_t rememberedTime = time;
    std::uint32_t index = remembered;
    while (index < total && !ReadTimeOf(index, time)) ++index;

    bool found = true;
    if (target > time) {
        while (target > time) {
            if (index >= total) {
                found = false;
                index = remembered;
                time = rememberedTime;
                break;
            }
            if (!ReadTimeOf(index, time)) time = 0;
            ++index;
        }
    } else {
        while (target <= time) {
            if (index == 0) break;
            if (!ReadTimeOf(index, time)) time = target;
            --index;
        }
    }
    SetRecordIndex(index);
    return found;
}
