#pragma once

#include <atomic>
#include <cstdint>

#include "engine/SoundingSettings.h"

// The sounding settings as the engine holds them: field by field in
// atomics, so that the worker reads them per ping without a lock while the
// UI thread edits them. Each field is read and written on its own (relaxed:
// no field hands work between threads), so a whole value taken while
// another thread changes a field may mix old and new fields.
class AtomicSettings {
public:
    AtomicSettings() { Apply(SoundingSettings{}); }
    AtomicSettings(const AtomicSettings&) = delete;
    AtomicSettings& operator=(const AtomicSettings&) = delete;

    SoundingSettings Get() const;
    // Every field, requested range and range in effect alike.
    void Apply(const SoundingSettings& settings);
    // The part a ping is taken with (a record carries it).
    PingSettings Ping() const;
    void ApplyPing(const PingSettings& settings);

    // The requested range and offset become the ones in effect (the worker,
    // at the start of each live ping).
    void PutRequestedRangeInEffect() {
        m_rangeOffset.store(m_rangeOffsetSet.load(kOrder), kOrder);
        m_rangeIndex.store(m_rangeIndexSet.load(kOrder), kOrder);
    }

    double SoundSpeed() const { return m_soundSpeed.load(kOrder); }
    double Draft() const { return m_draft.load(kOrder); }
    std::uint8_t AntiJamMode() const { return m_antiJamMode.load(kOrder); }
    double AntiJamDepth() const { return m_antiJamDepth.load(kOrder); }
    std::uint8_t RangeIndex() const { return m_rangeIndex.load(kOrder); }
    std::uint8_t RangeOffset() const { return m_rangeOffset.load(kOrder); }
    std::int8_t Gain() const { return m_gain.load(kOrder); }
    bool GainAuto() const { return m_gainAuto.load(kOrder) != 0; }
    std::uint8_t RangeIndexSet() const { return m_rangeIndexSet.load(kOrder); }
    std::uint8_t RangeOffsetSet() const { return m_rangeOffsetSet.load(kOrder); }
    bool RangeAuto() const { return m_rangeAuto.load(kOrder) != 0; }
    std::uint8_t ChannelCode() const { return m_channelCode.load(kOrder); }
    std::int32_t UartCtl() const { return m_uartCtl.load(kOrder); }
    std::int32_t UseNet() const { return m_useNet.load(kOrder); }
    std::uint32_t Colour(ColourKey key) const { return m_colours[key].load(kOrder); }

    void SetSoundSpeed(double speed) { m_soundSpeed.store(speed, kOrder); }
    void SetDraft(double metres) { m_draft.store(metres, kOrder); }
    void SetAntiJamMode(std::uint8_t mode) { m_antiJamMode.store(mode, kOrder); }
    void SetAntiJamDepth(double metres) { m_antiJamDepth.store(metres, kOrder); }
    void SetRangeIndex(std::uint8_t index) { m_rangeIndex.store(index, kOrder); }
    void SetRangeOffset(std::uint8_t offset) { m_rangeOffset.store(offset, kOrder); }
    void SetGain(std::int8_t gain) { m_gain.store(gain, kOrder); }
    void SetGainAuto(bool on) { m_gainAuto.store(on ? 1 : 0, kOrder); }
    void SetRangeIndexSet(std::uint8_t index) { m_rangeIndexSet.store(index, kOrder); }
    void SetRangeOffsetSet(std::uint8_t offset) { m_rangeOffsetSet.store(offset, kOrder); }
    void SetRangeAuto(bool on) { m_rangeAuto.store(on ? 1 : 0, kOrder); }
    void SetChannelCode(std::uint8_t code) { m_channelCode.store(code, kOrder); }
    void SetUartCtl(std::int32_t value) { m_uartCtl.store(value, kOrder); }
    void SetUseNet(std::int32_t value) { m_useNet.store(value, kOrder); }
    void SetColour(ColourKey key, std::uint32_t word) { m_colours[key].store(word, kOrder); }

private:
    static constexpr std::memory_order kOrder = std::memory_order_relaxed;

    std::atomic<double> m_soundSpeed{0.0};
    std::atomic<double> m_draft{0.0};
    std::atomic<std::uint8_t> m_antiJamMode{0};
    std::atomic<double> m_antiJamDepth{0.0};
    std::atomic<std::uint8_t> m_rangeIndex{0};
    std::atomic<std::uint8_t> m_rangeOffset{0};
    std::atomic<std::int8_t> m_gain{0};
    std::atomic<std::uint8_t> m_gainAuto{0};
    std::atomic<std::uint8_t> m_rangeIndexSet{0};
    std::atomic<std::uint8_t> m_rangeOffsetSet{0};
    std::atomic<std::uint8_t> m_rangeAuto{0};
    std::atomic<std::uint8_t> m_channelCode{0};
    std::atomic<std::int32_t> m_uartCtl{0};
    std::atomic<std::int32_t> m_useNet{0};
    std::atomic<std::uint32_t> m_colours[kColourCount] = {};
};
