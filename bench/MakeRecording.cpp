// bench-make-recording BASE COUNT: writes BASE.sd and BASE.idx, a recording
// of COUNT pings from the simulated sea (bottom drifting between 5 and 20 m
// on the 25 m range, an event mark every 1000 pings), for the playback
// benchmark and the demonstration pictures.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "tools/sim/PingEncoder.h"
#include "tools/sim/Sea.h"

namespace {

// Record times: twenty pings a second from 2026-12-07 08:00 UTC.
class GeneratorHost : public EngineHost {
public:
    std::int64_t Now() override { return 1796630400 + m_ping / 20; }
    void Next() { ++m_ping; }

private:
    std::int64_t m_ping = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench-make-recording BASE COUNT\n");
        return 2;
    }
    const long count = std::strtol(argv[2], nullptr, 10);
    if (count < 3 || count > 5000000) {
        std::fprintf(stderr, "bench-make-recording: COUNT must be 3..5000000\n");
        return 2;
    }
    GeneratorHost host;
    XSound engine(&host);
    engine.Sounding().SetRangeIndex(2);
    engine.Sounding().SetDraft(0.5);
    const EngineStatus status = engine.StartRecording(std::string(argv[1]) + ".sd");
    if (!status.Ok()) {
        std::fprintf(stderr, "bench-make-recording: cannot start the recording (%s)\n",
                     status.path.c_str());
        return 1;
    }
    Sea::Config config;
    config.depthMin = 5.0;
    config.depthMax = 20.0;
    config.period = 2400.0;
    Sea sea(config, 1);
    for (long n = 0; n < count; ++n) {
        const std::string frame = EncodePingFrame(sea.Ping(2, 0, 0));
        engine.LoadFrame(
            std::span(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()));
        if (n % 1000 == 999)
            engine.Mark();
        else
            engine.TakeMarkFlag();
        engine.WriteRecord();
        host.Next();
    }
    engine.CloseRecording();
    if (engine.RecordIndex() != static_cast<std::uint32_t>(count)) {
        std::fprintf(stderr, "bench-make-recording: only %u records written\n",
                     engine.RecordIndex());
        return 1;
    }
    std::printf("%s.sd: %ld records\n", argv[1], count);
    return 0;
}
