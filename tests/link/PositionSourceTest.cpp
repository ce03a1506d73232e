#include "link/PositionSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/GnssSession.h"
#include "tests/support/TempDir.h"

namespace {

std::size_t LineCount(const std::string& path) {
    std::ifstream in(path);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

// The source changed in the dialog while recording: the recording keeps its
// files to its end; the next one, with no source, has none.
TEST(PositionSourceTest, ARecordingKeepsItsFilesWhenTheSourceChangesAndNoneWritesNoFile) {
    TempDir dir;
    GnssSession sim(dir, "src", {});
    ASSERT_TRUE(sim.SimulatorReady());
    FixHistory history;
    PositionSource source(history);
    PositionSource::Config serial;
    serial.kind = PositionSource::Config::Kind::kSerial;
    serial.serialDevice = QString::fromStdString(sim.gnss);
    source.Start(serial);
    for (int i = 0; i < 300 && history.Count() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(history.Count(), 3u);

    const std::string first = dir.File("first.sd");
    std::ofstream(first).put('x');  // the recording's data file, kept
    ASSERT_TRUE(source.OpenRecording(first, false).Ok());
    const auto now = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    EXPECT_TRUE(source.PlaceRecordedPing(0, now() - 300, now()));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // fixes logged
    source.Start(PositionSource::Config{});                       // none
    EXPECT_EQ(source.CurrentState(), PositionSource::State::kNone);
    EXPECT_TRUE(source.PlaceRecordedPing(1, now() - 300, now()));
    source.CloseRecording(0);
    EXPECT_EQ(LineCount(dir.File("first.pos.csv")), 3u);  // the header and two pings
    EXPECT_GT(LineCount(dir.File("first.gnss.csv")), 1u);

    const std::string second = dir.File("second.sd");
    std::ofstream(second).put('x');
    EXPECT_TRUE(source.OpenRecording(second, false).Ok());
    EXPECT_FALSE(source.PlaceRecordedPing(0, now(), now()));
    source.CloseRecording();
    EXPECT_FALSE(std::filesystem::exists(dir.File("second.pos.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("second.gnss.csv")));
}

}  // namespace
