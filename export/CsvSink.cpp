#include "export/CsvSink.h"

#include <cerrno>
#include <charconv>
#include <cmath>

#include "export/ExportFields.h"

CsvSink::~CsvSink() {
    if (m_file != nullptr) std::fclose(m_file);
}

ExportStatus CsvSink::Open(const std::string& path, int) {
    m_path = path;
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) return Failure(ExportProblem::kWriteFailed, path, 0, errno);
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    m_line.clear();
    for (const ExportFieldInfo& field : kExportFields) {
        if (!m_line.empty()) m_line += ',';
        m_line += field.name;
    }
    m_line += '\n';
    if (std::fwrite(m_line.data(), 1, m_line.size(), m_file) != m_line.size()) m_error = errno;
    return {};
}

void CsvSink::BeginRecording(const std::string& name) {
    m_recording = name;
    if (name.find_first_of(",\"\r\n") == std::string::npos) return;
    m_recording = "\"";
    for (char c : name) {
        if (c == '"') m_recording += '"';
        m_recording += c;
    }
    m_recording += '"';
}

bool CsvSink::Write(const ExportRow& row) {
    if (m_error != 0) return false;
    const bool placed = row.HasPosition();
    const PingPosition& p = row.position;
    char whole[16];
    m_line.assign(m_recording).append(1, ',');
    m_line.append(whole, std::to_chars(whole, whole + sizeof whole, row.record).ptr);
    m_line.append(1, ',').append(m_utc.Of(row.timeMs));
    const double reals[] = {placed ? p.latitude : NAN,
                            placed ? p.longitude : NAN,
                            placed ? row.easting : NAN,
                            placed ? row.northing : NAN,
                            row.depth,
                            row.smoothed,
                            row.draft,
                            row.soundSpeed};
    for (int i = 0; i < 8; ++i) {
        m_line += ',';
        AppendFixed(m_line, reals[i], kExportFields[kLatitude + i].decimals);
    }
    m_line += ',';
    if (p.flag != PositionFlag::kNone) m_line += QualityName(p.quality);
    m_line += ',';
    AppendFixed(m_line, p.error, kExportFields[kError].decimals);
    m_line.append(1, ',').append(FlagName(p.flag)).append(1, ',');
    if (row.mark >= 0)
        m_line.append(whole, std::to_chars(whole, whole + sizeof whole, row.mark).ptr);
    m_line += '\n';
    if (std::fwrite(m_line.data(), 1, m_line.size(), m_file) != m_line.size()) m_error = errno;
    return m_error == 0;
}

ExportStatus CsvSink::Finish() {
    if (m_file == nullptr) return {};
    if (std::fflush(m_file) != 0 && m_error == 0) m_error = errno;
    if (std::fclose(m_file) != 0 && m_error == 0) m_error = errno;
    m_file = nullptr;
    if (m_error != 0) return Failure(ExportProblem::kWriteFailed, m_path, 0, m_error);
    return {};
}
