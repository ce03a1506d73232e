// Arbitrary instrument bytes, in arbitrary chunks, through the decoder, the
// expansion and the live processing chain, with arbitrary settings (any
// value of each setting's type, including NaN and infinite doubles), and
// arbitrary raw frames such as a damaged recording could hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "tests/fuzz/FuzzEngine.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

double AnyDouble(FuzzedDataProvider& in) {
    return std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
}

void ChangeASetting(XSound& e, FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0:
            e.Sounding().SetSoundSpeed(in.ConsumeBool() ? AnyDouble(in)
                                                        : in.ConsumeIntegralInRange(0, 2000));
            break;
        case 1:
            e.Sounding().SetDraft(in.ConsumeBool() ? AnyDouble(in)
                                                   : in.ConsumeFloatingPointInRange(0.0, 300.0));
            break;
        case 2:
            e.Sounding().SetGain(in.ConsumeIntegral<std::int8_t>());
            break;
        case 3:
            e.Sounding().SetGainAuto(in.ConsumeIntegral<std::uint8_t>());
            break;
        case 4:
            e.Sounding().SetRangeIndexSet(in.ConsumeIntegral<std::uint8_t>());
            break;
        case 5:
            e.Sounding().SetRangeOffsetSet(in.ConsumeIntegral<std::uint8_t>());
            break;
        case 6:
            e.Sounding().SetRangeAuto(in.ConsumeIntegral<std::uint8_t>());
            break;
        case 7:
            e.Sounding().SetAntiJamMode(in.ConsumeIntegral<std::uint8_t>());
            break;
        case 8:
            e.Sounding().SetAntiJamDepth(AnyDouble(in));
            break;
        case 9:
            e.Sounding().SetUseNet(in.ConsumeIntegral<std::int32_t>());
            break;
        case 10:
            e.Sounding().SetUartCtl(in.ConsumeIntegral<std::int32_t>());
            break;
        case 11:
            // Idle, requested, or sent and awaiting the reply.
            e.AbandonSelfCheck(e.SelfCheckState());
            if (in.ConsumeBool()) e.RequestSelfCheck();
            if (in.ConsumeBool()) e.SendCommandFrame();
            break;
        case 12:
            e.SetMarkDebounce(in.ConsumeIntegral<std::int32_t>());
            break;
        case 13:
            e.EndPlayback();
            if (in.ConsumeBool()) e.BeginPlayback();
            if (in.ConsumeBool()) e.Pause();
            break;
        case 14:
            e.SetDepth(AnyDouble(in));
            break;
        case 15:
            e.Sounding().SetChannelCode(in.ConsumeIntegral<std::uint8_t>());
            break;
    }
}

// A raw frame as a damaged record might bring it, expanded and processed
// the way playback does.
void ProcessArbitraryFrame(XSound& e, FuzzedDataProvider& in) {
    const std::vector<std::uint8_t> raw =
        in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, kRawFrameMax));
    e.LoadFrame(raw);
    e.BuildSamples();
    Check(e.SampleCount() <= kSampleMax);
    e.DetectBottom();
    e.AutoAdjust();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XSound& e = FuzzEngine();

    FuzzedDataProvider in(data, size);
    const int settings = in.ConsumeIntegralInRange(0, 8);
    for (int k = 0; k < settings; ++k) ChangeASetting(e, in);

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 9)) {
            case 0:
                ChangeASetting(e, in);
                break;
            case 1:
                ProcessArbitraryFrame(e, in);
                break;
            case 2:
                e.WatchdogTick();
                break;
            case 3:
                e.ProcessLivePing();
                break;
            default: {
                const std::vector<std::uint8_t> chunk =
                    in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 1024));
                e.DecodeBytes(chunk.data(), static_cast<std::uint32_t>(chunk.size()));
                Check(e.RawFrame().size() <= kRawFrameMax);
                if (in.ConsumeBool()) e.StepLive();
                Check(e.SampleCount() <= kSampleMax);
            }
        }
    }
    return 0;
}
