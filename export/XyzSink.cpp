#include "export/XyzSink.h"

#include <cerrno>
#include <cmath>

#include "export/TextFields.h"

XyzSink::~XyzSink() {
    if (m_file != nullptr) std::fclose(m_file);
}

ExportStatus XyzSink::Open(const std::string& path, int) {
    m_path = path;
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) return Failure(ExportProblem::kWriteFailed, path, 0, errno);
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    return {};
}

bool XyzSink::Write(const ExportRow& row) {
    if (m_error != 0) return false;
    if (!row.HasPosition() || !std::isfinite(row.depth) || !std::isfinite(row.easting)) return true;
    m_line.clear();
    AppendFixed(m_line, row.easting, 3);
    m_line += ' ';
    AppendFixed(m_line, row.northing, 3);
    m_line += ' ';
    AppendFixed(m_line, row.depth, 3);
    m_line += '\n';
    if (std::fwrite(m_line.data(), 1, m_line.size(), m_file) != m_line.size()) m_error = errno;
    return m_error == 0;
}

ExportStatus XyzSink::Finish() {
    if (m_file == nullptr) return {};
    if (std::fflush(m_file) != 0 && m_error == 0) m_error = errno;
    if (std::fclose(m_file) != 0 && m_error == 0) m_error = errno;
    m_file = nullptr;
    if (m_error != 0) return Failure(ExportProblem::kWriteFailed, m_path, 0, m_error);
    return {};
}
