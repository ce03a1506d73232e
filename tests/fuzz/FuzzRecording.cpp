// libFuzzer target: arbitrary .sd/.idx pairs through opening a recording,
// reading and replaying its records, playback steps both ways, the time
// search, the record walk of info/reindex and continuing it as a recording.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/RecordFile.h"
#include "engine/RecordScan.h"
#include "tests/fuzz/FuzzEngine.h"
#include "tests/fuzz/RecordingFuzzInput.h"
#include "tests/support/TempDir.h"

namespace {

// Kept for the whole run (never destroyed, so the exit handler can use it).
const std::string& Folder() {
    static const std::string* folder = [] {
        // A memory file system when there is one: index writes end in fsync.
        std::error_code ec;
        const auto base = std::filesystem::is_directory("/dev/shm", ec)
                              ? std::filesystem::path("/dev/shm")
                              : std::filesystem::temp_directory_path();
        const auto path = base / ("marevox-fuzz-recording-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Folder(), ignored);
        });
        return new std::string(path.string());
    }();
    return *folder;
}

// Bounds the work per input: a listed index may hold many records.
constexpr std::uint32_t kMaxSteps = 3000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RecordingFuzzInput input = RecordingFuzzInput::Parse(data, size);
    const std::string base = Folder() + "/r";
    WriteAll(base + ".idx", input.indexBytes);
    WriteAll(base + ".sd", input.dataBytes);
    std::filesystem::remove(base + ".txt");

    XSound& engine = FuzzEngine();
    if (engine.OpenRecording(base + ".sd").Ok()) {
        const std::uint32_t total = engine.RecordTotal();
        for (std::uint32_t i = 0; i < total && i < kMaxSteps; ++i) {
            engine.SetRecordIndex(i);
            engine.ProcessPlaybackPing();
        }
        engine.SetRecordIndex(0);
        engine.View().Reset(40);
        engine.View().SetPlayDelay(0);
        for (std::uint32_t step = 0; step < 200; ++step) {
            if (step == 60 || step == 120) engine.SetDirection(step == 60);
            engine.StepPlayback();
        }
        for (std::int64_t target :
             {input.searchTimes[0], input.searchTimes[1], engine.FirstTime(), engine.LastTime()}) {
            engine.SetSearchTime(target);
            engine.SearchTime();
        }
        engine.EndPlayback();
    }

    if (std::FILE* file = std::fopen((base + ".sd").c_str(), "rb")) {
        std::uint32_t found = 0;
        ScanRecords(file, 0, [&](std::uint32_t, const PingRecord&) { return ++found < kMaxSteps; });
        std::fclose(file);
    }

    // Continuing the pair as a recording: refused, or it takes the records
    // that follow the index in and writes a new index.
    if (engine.StartRecording(base + ".sd").Ok()) {
        const std::uint8_t raw[] = {0x0A, 0x40, 0xCA};
        engine.LoadFrame(raw);
        engine.WriteRecord();
        engine.CloseRecording();
    }
    return 0;
}
