// Records made-up pings through the decoder as fast as it can, until it is
// killed. After each record it writes the record's number and a line feed
// to standard output, unbuffered, so the parent knows what reached the file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "tests/support/SyntheticRecording.h"

namespace {

class ChildHost : public EngineHost {
public:
    std::int64_t Now() override { return now; }
    std::int64_t now = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: recording_crash_child FILE.sd FIRST-TIME\n");
        return 2;
    }
    ChildHost host;
    XSound engine(&host);
    const EngineStatus status = engine.StartRecording(argv[1]);
    if (!status.Ok()) {
        std::fprintf(stderr, "cannot start recording: error %d\n", static_cast<int>(status.code));
        return 1;
    }
    const std::int64_t firstTime = std::atoll(argv[2]);
    for (std::uint32_t i = 0; i < 2000000; ++i) {
        host.now = firstTime + i;
        const auto frame =
            Synthetic::InstrumentFrame(Synthetic::TypicalRawFrame(1000 + i % 500, i));
        engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
        engine.ProcessLivePing();
        if (i % 100 == 99) engine.CheckpointIndex();
        const std::string line = std::to_string(i) + "\n";
        if (::write(1, line.data(), line.size()) < 0) return 1;
    }
    engine.CloseRecording();
    return 0;
}
