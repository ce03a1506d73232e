#include "helm/HelmAccess.h"

#include <algorithm>
#include <random>

HelmAccess::HelmAccess(std::string code) : HelmAccess(std::move(code), Delays{}) {}

HelmAccess::HelmAccess(std::string code, Delays delays)
    : m_code(std::move(code)), m_delays(delays) {}

std::string HelmAccess::NewCode() {
    std::random_device random;
    std::uniform_int_distribution<int> digit(0, 9);
    std::string code;
    for (int i = 0; i < 6; ++i) code += static_cast<char>('0' + digit(random));
    return code;
}

bool HelmAccess::Matches(std::string_view code) const {
    // Every character is looked at whatever the first difference, so the
    // time taken says nothing of which one was wrong.
    unsigned difference = code.size() == m_code.size() ? 0u : 1u;
    for (std::size_t i = 0; i < m_code.size(); ++i) {
        const char given = i < code.size() ? code[i] : '\0';
        difference |= static_cast<unsigned>(given ^ m_code[i]);
    }
    return difference == 0 && !m_code.empty();
}

HelmAccess::Verdict HelmAccess::Check(const std::string& peer, std::string_view code,
                                      Clock::time_point now) {
    // Forget quiet addresses, so the table stays small.
    std::erase_if(m_peers, [&](const auto& entry) {
        return entry.second.busyUntil <= now &&
               now - entry.second.lastFailure >= m_delays.forgetAfter;
    });
    Peer& entry = m_peers[peer];
    const Clock::time_point start = std::max(now, entry.busyUntil);
    if (Matches(code)) {
        const Verdict verdict{true, std::chrono::duration_cast<Ms>(start - now)};
        m_peers.erase(peer);
        return verdict;
    }
    ++entry.failures;
    Ms wait = m_delays.first;
    for (int i = 1; i < entry.failures && wait < m_delays.max; ++i) wait *= 2;
    wait = std::min(wait, m_delays.max);
    entry.busyUntil = start + wait;
    entry.lastFailure = now;
    return {false, std::chrono::duration_cast<Ms>(entry.busyUntil - now)};
}
