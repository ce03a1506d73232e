// Only regular files are opened as recordings, without blocking; the
// index's temporary file cannot be redirected.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/RecordFile.h"
#include "engine/RegularFile.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

class RegularFileTest : public EngineTest {
protected:
    // A FIFO that nobody writes or reads would block an ordinary open for
    // ever: the alarm turns a hang into a failure.
    void SetUp() override { ::alarm(30); }
    void TearDown() override { ::alarm(0); }

    void MakeFifo(const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }

    TempDir m_dir;
};

TEST_F(RegularFileTest, FifosAndFoldersAreRefusedWithoutBlocking) {
    MakeFifo(m_dir.File("pipe"));
    fs::create_directory(m_dir.File("folder"));
    for (const char* name : {"pipe", "folder"}) {
        for (auto mode : {RegularFile::Mode::kRead, RegularFile::Mode::kReadWrite,
                          RegularFile::Mode::kAppend, RegularFile::Mode::kCreate}) {
            const RegularFile::Opened opened = RegularFile::Open(m_dir.File(name), mode);
            EXPECT_EQ(opened.file, nullptr) << name;
            EXPECT_EQ(opened.problem, RegularFile::Problem::kNotRegular) << name;
        }
    }
    EXPECT_EQ(RegularFile::Open(m_dir.File("none"), RegularFile::Mode::kRead).problem,
              RegularFile::Problem::kMissing);
    std::uint32_t count = 0;
    std::vector<std::uint32_t> offsets(4);
    EXPECT_EQ(RecordFile::ReadIndex(m_dir.File("pipe"), offsets.data(), &count),
              RecordFile::IndexStatus::kNotRegular);
    EXPECT_EQ(RecordFile::ReadIndex(m_dir.File("folder"), offsets.data(), &count),
              RecordFile::IndexStatus::kNotRegular);
}

TEST_F(RegularFileTest, RecordingsNamedByAFifoAreRefused) {
    // A FIFO as the index and as the data file, for playback and recording.
    MakeFifo(m_dir.File("a.idx"));
    EngineStatus status = engine.OpenRecording(m_dir.File("a.sd"));
    EXPECT_EQ(status.code, EngineError::kIndexNotRegular);
    EXPECT_EQ(status.path, m_dir.File("a.idx"));

    MakeFifo(m_dir.File("b.sd"));
    const std::uint32_t offsets[1] = {0};
    ASSERT_TRUE(RecordFile::WriteIndex(m_dir.File("b.idx"), offsets, 1).Ok());
    status = engine.OpenRecording(m_dir.File("b.sd"));
    EXPECT_EQ(status.code, EngineError::kNotRegularFile);
    EXPECT_EQ(status.path, m_dir.File("b.sd"));
    EXPECT_TRUE(engine.IsLive());
    status = engine.StartRecording(m_dir.File("b.sd"));
    EXPECT_EQ(status.code, EngineError::kNotRegularFile);
    EXPECT_FALSE(engine.IsRecording());

    // A FIFO as the depth text file of a new recording.
    MakeFifo(m_dir.File("c.txt"));
    status = engine.StartRecording(m_dir.File("c.sd"));
    EXPECT_EQ(status.code, EngineError::kNotRegularFile);
    EXPECT_EQ(status.path, m_dir.File("c.txt"));
    EXPECT_FALSE(fs::exists(m_dir.File("c.sd")));
}

TEST_F(RegularFileTest, ALinkPlantedAtTheTemporaryNameIsNotFollowed) {
    const std::string index = m_dir.File("day.idx");
    const std::string victim = m_dir.File("victim");
    WriteAll(victim, "precious");
    fs::create_symlink(victim, index + ".tmp");
    const std::uint32_t offsets[2] = {0, 100};
    ASSERT_TRUE(RecordFile::WriteIndex(index, offsets, 2).Ok());
    EXPECT_EQ(ReadAll(victim), "precious");
    EXPECT_TRUE(fs::is_symlink(index + ".tmp"));
    EXPECT_EQ(fs::file_size(index), 12u);
    // Nothing else is left beside it.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir.Path())) ++files;
    EXPECT_EQ(files, 3u);
}

}  // namespace
