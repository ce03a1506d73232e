#include "engine/Player.h"

void Player::KeepLiveSettings(const AtomicSettings& settings) {
    KeptSettings& kept = m_liveSettings;
    if (kept.kept) return;
    kept.ping = settings.Ping();
    kept.rangeIndexSet = settings.RangeIndexSet();
    kept.rangeOffsetSet = settings.RangeOffsetSet();
    kept.kept = true;
}

void Player::RestoreLiveSettings(AtomicSettings& settings) {
    KeptSettings& kept = m_liveSettings;
    if (!kept.kept) return;
    settings.ApplyPing(kept.ping);
    settings.SetRangeIndexSet(kept.rangeIndexSet);
    settings.SetRangeOffsetSet(kept.rangeOffsetSet);
    kept.kept = false;
}
