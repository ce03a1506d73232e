// marevox-cli edit and replay --edited on a made-up line with spikes: what a
// filter would change, what it changed, the depths as edited, a read-only
// folder, bad filters. The recording's files stay as they were.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/SyntheticRecording.h"
#include "tests/tools/cli/CliRun.h"

namespace {

class CliEditTest : public CliTest {
protected:
    // 300 pings one second apart over a bottom near 10 m, with spikes at 3 m
    // in records 100, 101 and 150.
    void SetUp() override {
        Synthetic::WriteRecording(m_sd, m_dir.File("line.idx"), 300, [](std::uint32_t i) {
            const bool spike = i == 100 || i == 101 || i == 150;
            return Synthetic::Record(Synthetic::TypicalRawFrame(spike ? 300 : 1000 + i % 7, i),
                                     1414972800 + i);
        });
        m_original = ReadAll(m_sd) + ReadAll(m_dir.File("line.idx"));
    }
    void TearDown() override {
        EXPECT_EQ(ReadAll(m_sd) + ReadAll(m_dir.File("line.idx")), m_original);
    }

    std::string m_sd = m_dir.File("line.sd");
    std::string m_edits = m_dir.File("line.edits.csv");
    std::string m_original;
};

TEST_F(CliEditTest, AFilterShowsWhatItWouldChangeThenChangesIt) {
    CliResult out = Run("edit " + m_sd + " --filter spike --dry-run");
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    ASSERT_EQ(out.lines.size(), 3u);
    EXPECT_TRUE(Has(out.lines[0], R"({"record":100,"time":1414972900,"action":"reject",)"))
        << out.lines[0];
    EXPECT_TRUE(Has(out.lines[2], R"("record":150,)")) << out.lines[2];
    EXPECT_TRUE(Has(out.errors, "spike: 3 of 300 pings would change (dry run")) << out.errors;
    EXPECT_FALSE(std::filesystem::exists(m_edits));

    ASSERT_EQ(Run("edit " + m_sd + " --filter spike").exitCode, 0);
    out = Run("edit " + m_sd + " --filter window:2:20");
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_EQ(out.lines.size(), 0u);  // the spikes are rejected already
    out = Run("edit " + m_sd + " --filter window:0:5 --from 140 --to 160 --dry-run");
    EXPECT_EQ(out.lines.size(), 20u);
    EXPECT_TRUE(Has(out.lines[0], R"("source":"range","was":11.)")) << out.lines[0];

    out = Run("edit " + m_sd + " --list");
    ASSERT_EQ(out.lines.size(), 300u);
    EXPECT_TRUE(Has(out.lines[101], R"("depth":null,"state":"rejected"})")) << out.lines[101];
    EXPECT_TRUE(Has(out.lines[102], R"("state":"kept"})")) << out.lines[102];

    out = Run("replay --csv --edited " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_EQ(out.lines.size(), 297u);
    out = Run("replay --edited " + m_sd);
    EXPECT_TRUE(Has(out.lines[150], R"("edited":null,"state":"rejected"})")) << out.lines[150];

    out = Run("edit " + m_sd + " --filter restore --from 101 --to 150");
    EXPECT_EQ(out.lines.size(), 2u);
    EXPECT_EQ(Run("replay --csv --edited " + m_sd).lines.size(), 299u);
}

TEST_F(CliEditTest, AReadOnlyFolderIsSaidAndTheEditsGoElsewhere) {
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    // Root writes anywhere: the command runs as an ordinary user.
    const std::string user = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 "
                                                "--clear-groups env "
                                              : "";
    const std::string command =
        "TZ=UTC " + user + MAREVOX_CLI_PATH + " edit " + m_sd + " --filter spike 2>&1 >/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string said;
    for (int c; (c = std::fgetc(pipe)) != EOF;) said += static_cast<char>(c);
    EXPECT_NE(::pclose(pipe), 0);
    EXPECT_TRUE(Has(said, "cannot write the edit file " + m_edits)) << said;
    EXPECT_TRUE(Has(said, "--edits PATH")) << said;
    EXPECT_FALSE(std::filesystem::exists(m_edits));

    TempDir elsewhere;
    const std::string edits = elsewhere.File("line.edits.csv");
    ASSERT_EQ(Run("edit " + m_sd + " --filter spike --edits " + edits).exitCode, 0);
    EXPECT_EQ(Run("replay --csv --edited --edits " + edits + " " + m_sd).lines.size(), 297u);
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::owner_all);
}

TEST_F(CliEditTest, BadFiltersAndOptionsAreRefused) {
    for (const char* args :
         {"--filter", "--filter spike:neighbours=0", "--filter spike:width=3", "--filter window:5",
          "--filter window:9:3", "--filter redetect", "--filter redetect:antijam=3",
          "--filter redetect:speed=900", "--filter blur", "--filter spike --list",
          "--filter spike --from 9 --to 3", "--filter spike --edited"}) {
        SCOPED_TRACE(args);
        const CliResult out = Run("edit " + m_sd + " " + args);
        EXPECT_EQ(out.exitCode, 2);
        EXPECT_TRUE(Has(out.errors, "usage: marevox-cli edit")) << out.errors;
    }
    EXPECT_EQ(Run("edit " + m_dir.File("none.sd") + " --list").exitCode, 1);
    EXPECT_EQ(Run("replay " + m_sd + " --edits x.csv").exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(m_edits));
}

}  // namespace
