#include "survey/PositionLog.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "engine/RegularFile.h"

namespace {

PositionLog::Status Failure(const std::string& path, const RegularFile::Opened& opened) {
    if (opened.problem == RegularFile::Problem::kNotRegular)
        return {PositionLog::Problem::kNotRegular, opened.systemError, path};
    return {PositionLog::Problem::kSystem, opened.systemError, path};
}

constexpr std::uint64_t kBlock = 4096;

bool WriteWhole(std::FILE* file, std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
           std::fflush(file) == 0;
}

}  // namespace

PositionLog::Status PositionLog::Open(const std::string& path, std::string_view header,
                                      bool continuing) {
    Close(false);
    if (RegularFile::IsSpecial(path)) return {Problem::kNotRegular, 0, path};
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    m_path = path;
    const RegularFile::Opened opened = RegularFile::Open(
        path, continuing && exists ? RegularFile::Mode::kReadWrite : RegularFile::Mode::kCreate);
    if (opened.file == nullptr) return Failure(path, opened);
    m_file = opened.file;
    m_created = !(continuing && exists);
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    const Status status = continuing && exists ? Continue(header) : Status{Problem::kNone, 0, path};
    if (status.Ok() && RegularFile::Tell(m_file) == 0 && !WriteWhole(m_file, header)) {
        const int reason = errno;
        Close(m_created);
        return {Problem::kSystem, reason, path};
    }
    if (!status.Ok()) Close(false);
    return status;
}

PositionLog::Status PositionLog::Continue(std::string_view header) {
    // Read through a stream of its own; the one written stays unbuffered.
    std::ifstream in(m_path, std::ios::binary);
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(m_path, ec);
    if (!in || ec) return {Problem::kSystem, ec ? ec.value() : EIO, m_path};
    std::string head(std::min<std::uint64_t>(size, header.size()), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    // What follows the last whole line was in flight when the program
    // ended; a header cut short is no header.
    std::uint64_t keep = 0;
    std::string block;
    for (std::uint64_t end = size; end > 0 && keep == 0;) {
        const std::uint64_t start = end > kBlock ? end - kBlock : 0;
        block.resize(end - start);
        in.seekg(static_cast<std::streamoff>(start));
        if (!in.read(block.data(), static_cast<std::streamsize>(block.size())))
            return {Problem::kSystem, EIO, m_path};
        const std::size_t newline = block.rfind('\n');
        if (newline != std::string::npos) keep = start + newline + 1;
        end = start;
    }
    const bool ours = keep > 0 ? head == header : header.starts_with(head);
    if (!ours) return {Problem::kOtherFormat, 0, m_path};
    if (!RegularFile::CutBack(m_file, keep)) return {Problem::kSystem, errno, m_path};
    return {Problem::kNone, 0, m_path};
}

bool PositionLog::Append(std::string_view line) {
    if (m_file == nullptr) return false;
    const std::uint64_t end = RegularFile::Tell(m_file);
    if (WriteWhole(m_file, line)) return true;
    std::clearerr(m_file);
    RegularFile::CutBack(m_file, end);
    return false;
}

void PositionLog::Close(bool remove) {
    if (m_file == nullptr) return;
    std::fclose(m_file);
    m_file = nullptr;
    if (remove && m_created) {
        std::error_code ec;
        std::filesystem::remove(m_path, ec);
    }
}
