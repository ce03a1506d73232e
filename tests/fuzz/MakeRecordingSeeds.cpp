// Writes starting inputs for the recording fuzz target into a folder: small
// sound recordings, one with a short index and one with a damaged record.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/fuzz/RecordingFuzzInput.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

void Save(const std::string& path, const RecordingFuzzInput& input) {
    const auto bytes = input.Serialise();
    WriteAll(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_recording_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    TempDir scratch;
    const std::uint32_t counts[] = {1, 3, 12, 60};
    int n = 0;
    for (std::uint32_t count : counts) {
        Synthetic::WriteRecording(
            scratch.File("s.sd"), scratch.File("s.idx"), count, [](std::uint32_t i) {
                return Synthetic::Record(Synthetic::TypicalRawFrame(300 + 40 * i, i), 1000 + i,
                                         static_cast<std::uint8_t>(i % 5));
            });
        RecordingFuzzInput input;
        input.searchTimes[0] = 1000 + count / 2;
        input.searchTimes[1] = 999;
        input.indexBytes = ReadAll(scratch.File("s.idx"));
        input.dataBytes = ReadAll(scratch.File("s.sd"));
        Save(folder + "/input-" + std::to_string(n++), input);
        if (count > 3) {
            input.indexBytes.resize(input.indexBytes.size() - 6);  // index cut short
            Save(folder + "/input-" + std::to_string(n++), input);
            input.indexBytes = ReadAll(scratch.File("s.idx"));
            input.dataBytes[input.dataBytes.size() / 2] ^= 0x5A;  // a damaged record
            Save(folder + "/input-" + std::to_string(n++), input);
        }
    }
    return 0;
}
