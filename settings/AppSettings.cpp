#include "settings/AppSettings.h"

std::string AppSettings::Ip() const {
    std::lock_guard<std::mutex> lock(m_ipMutex);
    return m_ip;
}

void AppSettings::SetIp(const std::string& ip) {
    std::lock_guard<std::mutex> lock(m_ipMutex);
    m_ip = ip;
}

PositionSourceSettings AppSettings::Positions() const {
    std::lock_guard<std::mutex> lock(m_ipMutex);
    return m_positions;
}

void AppSettings::SetPositions(const PositionSourceSettings& positions) {
    std::lock_guard<std::mutex> lock(m_ipMutex);
    m_positions = positions;
}
