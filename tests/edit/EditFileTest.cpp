// The edit file beside a recording: what is written comes back, damage and
// a last line cut short lose only those lines, another recording's file is
// refused, a continued recording keeps its edits, a read-only folder keeps
// them in memory, a kill loses at most the edit being written, and a link
// is never followed. The recording's own files are never written.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>

#include "edit/EditSession.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

constexpr std::int64_t kFirst = 1796630400;
constexpr std::int64_t kMade = 1796700000;  // 2026-12-08T03:20:00Z

Edit At(std::uint32_t record, EditAction action, double depth = 0.0,
        EditSource source = EditSource::kHand) {
    return {record, kFirst + record, action, depth, source, kMade};
}

class EditFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Synthetic::MakeRecording(m_base, 20, kFirst));
        m_recording = ReadAll(m_base + ".sd") + ReadAll(m_base + ".idx");
    }
    void TearDown() override {
        EXPECT_EQ(ReadAll(m_base + ".sd") + ReadAll(m_base + ".idx"), m_recording);
    }

    // A session on the recording with its edit file loaded: what loading said.
    EditStatus Open(EditSession& session, const std::string& editPath = {}) {
        EXPECT_TRUE(session.OpenRecording(m_base + ".sd").Ok());
        return session.LoadEdits(editPath);
    }
    std::vector<EditState> States(const std::string& editPath = {}) {
        EditSession session;
        EXPECT_TRUE(Open(session, editPath).Ok());
        std::vector<EditState> states;
        for (std::uint32_t r = 0; r < session.Depths().Count(); ++r)
            states.push_back(session.Depths().For(r).state);
        return states;
    }
    std::string Header(const std::string& name = "line.sd", std::uint64_t size = 0) {
        return "# Marevox edits, version 1\n# recording," +
               std::to_string(size ? size : std::filesystem::file_size(m_base + ".sd")) + "," +
               name + "\nrecord,time,action,depth,source,made\n";
    }

    TempDir m_dir;
    std::string m_base = m_dir.File("line");
    std::string m_edits = m_base + ".edits.csv";
    std::string m_recording;
};

TEST_F(EditFileTest, EditsComeBackAsMadeAndTheirUndoIsKeptToo) {
    EditSession session;
    ASSERT_TRUE(Open(session).Ok());
    const std::vector<Edit> undo = session.Commit(
        {At(3, EditAction::kReject), At(5, EditAction::kSetDepth, 12.25),
         At(6, EditAction::kSetDepth, 9.5, EditSource::kRedetect), At(7, EditAction::kReject)});
    session.Commit({At(7, EditAction::kRestore)});
    ASSERT_TRUE(session.SaveStatus().Ok());
    EXPECT_EQ(ReadAll(m_edits).substr(0, Header().size()), Header());
    EXPECT_NE(ReadAll(m_edits).find("\n5,1796630405,set,12.250,hand,2026-12-08T03:20:00Z\n"),
              std::string::npos);

    std::vector<EditState> expected(20, EditState::kKept);
    expected[3] = EditState::kRejected;
    expected[5] = EditState::kSetByHand;
    expected[6] = EditState::kDetectedAgain;
    EXPECT_EQ(States(), expected);
    EditSession again;
    ASSERT_TRUE(Open(again).Ok());
    EXPECT_EQ(again.Depths().For(5).depth, 12.25);
    EXPECT_EQ(again.Depths().For(6).depth, 9.5);

    // Undoing the first batch: restores, and the rejection 7 had before it.
    session.Commit(undo);
    expected = std::vector<EditState>(20, EditState::kKept);
    EXPECT_EQ(States(), expected);
}

TEST_F(EditFileTest, DamagedLinesAndALastLineCutShortAreSkippedAndReported) {
    const char* bad[] = {
        "garbage",
        "3,1796630403,reject,1.0,spike,2026-12-08T03:20:00Z",  // a depth on a rejection
        "3,1796630403,set,,hand,2026-12-08T03:20:00Z",         // a setting without one
        "3,1796630403,set,-2,hand,2026-12-08T03:20:00Z",
        "3,x,reject,,hand,2026-12-08T03:20:00Z",
        "3,1796630403,reject,,robot,2026-12-08T03:20:00Z",
        "3,1796630403,reject,,hand,2026-02-30T03:20:00Z",
        "3,1796630403,reject,,hand,2026-12-08T03:20:00Z,extra",
    };
    std::string text = Header() + "2,1796630402,reject,,hand,2026-12-08T03:20:00Z\n";
    for (const char* line : bad) text += std::string(line) + "\n";
    text += "4,1796630404,set,7.5,hand,2026-12-08T03:20:00Z\n9,17966304";
    WriteAll(m_edits, text);

    EditSession session;
    ASSERT_TRUE(Open(session).Ok());
    ASSERT_EQ(session.Notices().size(), 1u);
    EXPECT_EQ(session.Notices()[0].code, EditError::kDamagedLines);
    EXPECT_EQ(session.Notices()[0].count, std::size(bad) + 1);
    EXPECT_EQ(session.Notices()[0].line, 5u);
    EXPECT_TRUE(session.Depths().For(2).Rejected());
    EXPECT_EQ(session.Depths().For(4).depth, 7.5);
    EXPECT_EQ(session.Depths().For(3).state, EditState::kKept);

    // The next edit drops the cut line first, so its own line stays whole.
    session.Commit({At(9, EditAction::kReject)});
    EditSession again;
    ASSERT_TRUE(Open(again).Ok());
    EXPECT_EQ(again.Notices()[0].count, std::size(bad));
    EXPECT_TRUE(again.Depths().For(9).Rejected());
}

TEST_F(EditFileTest, AnotherRecordingsFileIsRefusedLeftAloneAndTheEditsSavedElsewhere) {
    const std::uint64_t size = std::filesystem::file_size(m_base + ".sd");
    const struct {
        const char* what;
        std::string text;
        EditError code;
    } cases[] = {
        {"another name", Header("other.sd"), EditError::kOtherRecording},
        {"a larger data file", Header("line.sd", size + 45), EditError::kOtherRecording},
        {"not an edit file", "time,depth\n1,2\n3,4\n", EditError::kNotEditFile},
        {"a newer version", "# Marevox edits, version 2\n# recording,1,line.sd\nx\n",
         EditError::kNewerVersion},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(m_edits, c.text);
        EditSession session;
        EXPECT_EQ(Open(session).code, c.code);
        session.Commit({At(1, EditAction::kReject)});
        EXPECT_TRUE(session.Depths().For(1).Rejected());
        EXPECT_EQ(session.SaveStatus().code, c.code);
        EXPECT_EQ(ReadAll(m_edits), c.text);

        const std::string elsewhere = m_dir.File("saved.edits.csv");
        std::filesystem::remove(elsewhere);
        ASSERT_TRUE(session.SaveTo(elsewhere).Ok());
        EXPECT_EQ(session.SaveTo(elsewhere).code, EditError::kCannotWrite);  // never replaced
        EXPECT_EQ(States(elsewhere)[1], EditState::kRejected);
    }
}

TEST_F(EditFileTest, AContinuedRecordingKeepsItsEditsByRecordAndTime) {
    {
        EditSession session;
        ASSERT_TRUE(Open(session).Ok());
        session.Commit({At(3, EditAction::kReject), At(15, EditAction::kSetDepth, 4.0)});
    }
    // Ten more records: the first twenty are as they were.
    ASSERT_TRUE(Synthetic::MakeRecording(m_base, 30, kFirst));
    EXPECT_EQ(States()[3], EditState::kRejected);
    EXPECT_EQ(States()[15], EditState::kSetByHand);

    // The same number of records at other times: the edits are not theirs.
    ASSERT_TRUE(Synthetic::MakeRecording(m_base, 30, kFirst + 1000));
    EditSession session;
    ASSERT_TRUE(Open(session).Ok());
    ASSERT_EQ(session.Notices().size(), 1u);
    EXPECT_EQ(session.Notices()[0].code, EditError::kLostPings);
    EXPECT_EQ(session.Notices()[0].count, 2u);
    EXPECT_EQ(session.Depths().For(3).state, EditState::kKept);
    ASSERT_TRUE(Synthetic::MakeRecording(m_base, 20, kFirst));  // as the fixture left it
}

TEST_F(EditFileTest, AReadOnlyFolderKeepsTheEditsInMemoryUntilSavedElsewhere) {
    TempDir writable;
    std::filesystem::permissions(writable.Path(), std::filesystem::perms::all);
    std::filesystem::permissions(m_dir.Path(),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    const std::string saved = writable.File("line.edits.csv");
    // Root writes anywhere: the edits are made as an ordinary user.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
        EditSession session;
        if (!Open(session).Ok()) ::_exit(11);
        session.Commit({At(3, EditAction::kReject)});
        const EditStatus status = session.SaveStatus();
        if (status.code != EditError::kCannotWrite || status.systemError != EACCES) ::_exit(12);
        if (!session.Depths().For(3).Rejected()) ::_exit(13);
        ::_exit(session.SaveTo(saved).Ok() ? 0 : 14);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    EXPECT_FALSE(std::filesystem::exists(m_edits));
    EXPECT_EQ(States(saved)[3], EditState::kRejected);
}

TEST_F(EditFileTest, KilledWhileEditingLosesNoMoreThanTheEditInFlight) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        EditSession session;
        if (!Open(session).Ok()) ::_exit(1);
        for (std::uint32_t n = 0;; ++n)
            session.Commit({At(n % 20, n % 40 < 20 ? EditAction::kReject : EditAction::kRestore)});
    }
    auto lines = [&] {
        const std::string text = ReadAll(m_edits);
        return static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '\n'));
    };
    for (int wait = 0; wait < 10000 && lines() < 2000; ++wait) ::usleep(1000);
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::uint32_t whole = lines();
    ASSERT_GE(whole, 2000u);
    EditSession session;
    ASSERT_TRUE(Open(session).Ok());
    EXPECT_LE(session.Notices().size(), 1u);  // at most a last line cut short
    // Every whole line after the header is an edit in effect: the last one
    // of each ping rejects or restores it as the child's count says.
    const std::uint32_t made = whole - 3;
    for (std::uint32_t n = made >= 20 ? made - 20 : 0; n < made; ++n)
        EXPECT_EQ(session.Depths().For(n % 20).Rejected(), n % 40 < 20) << n;
}

TEST_F(EditFileTest, ALinkAtTheEditFilesNameIsNeverFollowed) {
    const std::string target = m_dir.File("target.csv");
    for (const bool targetExists : {true, false}) {
        SCOPED_TRACE(targetExists ? "to an edit file" : "to nothing");
        std::filesystem::remove(target);
        std::filesystem::remove(m_edits);
        const std::string text = Header() + "2,1796630402,reject,,hand,2026-12-08T03:20:00Z\n";
        if (targetExists) WriteAll(target, text);
        std::filesystem::create_symlink(target, m_edits);
        EditSession session;
        EXPECT_EQ(Open(session).code, EditError::kNotRegular);
        EXPECT_EQ(session.Depths().For(2).state, EditState::kKept);
        session.Commit({At(3, EditAction::kReject)});
        EXPECT_FALSE(session.SaveStatus().Ok());
        EXPECT_EQ(std::filesystem::exists(target), targetExists);
        if (targetExists) {
            EXPECT_EQ(ReadAll(target), text);
        }
    }
}

}  // namespace
