// Every failure and notice the engine reports, provoked through the engine
// itself, as the user reads it: the Chinese text unchanged, and with the English
// interface its English translation.
#include "app/EngineMessages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>
#include <cerrno>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/EngineMessage.h"
#include "app/Language.h"
#include "engine/XSound.h"
#include "tests/support/FakeHost.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// Provokes each failure in a fresh folder and keeps its status by name.
class EngineFailures {
public:
    EngineFailures() {
        Recording();
        Continuing();
        Playback();
    }

    std::map<std::string, EngineStatus> statuses;
    const std::string& Folder() const { return m_folder; }

private:
    std::string Path(const std::string& name) const { return m_dir.File(name); }

    // The engine's completed frame goes into the recording.
    void Ping(XSound& engine) {
        const auto raw = Synthetic::TypicalRawFrame(1000);
        engine.LoadFrame(raw);
        engine.WriteRecord();
    }

    void Recording() {
        XSound engine(&m_host);
        ASSERT_TRUE(engine.StartRecording(Path("a.sd")).Ok());
        statuses["already"] = engine.StartRecording(Path("b.sd"));
        for (int i = 0; i < 3; ++i) Ping(engine);
        // The index cannot be replaced on closing: a folder took its name.
        fs::remove(Path("a.idx"));
        fs::create_directory(Path("a.idx"));
        engine.CloseRecording();
        statuses["closeIndex"] = m_host.reports.at(0);

        ASSERT_TRUE(engine.StartRecording(Path("c.sd")).Ok());
        for (int i = 0; i < 3; ++i) Ping(engine);
        engine.SetRecordIndex(kRecordOffsetMax);
        Ping(engine);
        statuses["full"] = m_host.reports.at(1);

        engine.BeginPlayback();
        statuses["duringPlayback"] = engine.StartRecording(Path("d.sd"));
        engine.EndPlayback();

        WriteAll(Path("taken"), "");
        statuses["folder"] = engine.StartRecording(Path("taken") + "/x.sd");
        statuses["data"] = engine.StartRecording(Path(std::string(300, 'e') + ".sd"));
        {
            FileSizeLimit full(0);  // the new index's first bytes do not fit
            statuses["index"] = engine.StartRecording(Path("f.sd"));
        }
        fs::create_directory(Path("g.txt"));
        statuses["text"] = engine.StartRecording(Path("g.sd"));
    }

    void Continuing() {
        XSound engine(&m_host);
        WriteAll(Path("h.sd"), std::string(300, 'x'));
        WriteAll(Path("h.idx"), std::string("\0\0\0\0", 4));
        statuses["continueEmpty"] = engine.StartRecording(Path("h.sd"));
        // A recording that lost its index is continued all the same.
        ASSERT_TRUE(Synthetic::MakeRecording(Path("i"), 3, 1000));
        fs::remove(Path("i.idx"));
        ASSERT_TRUE(engine.StartRecording(Path("i.sd")).Ok());
        statuses["continuedByScanning"] = engine.RecordingNotice();
        engine.CloseRecording();
    }

    void Playback() {
        XSound engine(&m_host);
        const std::string sd = Path("p.sd"), idx = Path("p.idx");
        auto offsets = Synthetic::WriteRecording(sd, idx, 5, [](std::uint32_t i) {
            return Synthetic::Record(Synthetic::TypicalRawFrame(1000), 1000 + i);
        });
        ASSERT_TRUE(engine.OpenRecording(sd).Ok());
        statuses["open"] = engine.OpenRecording(sd);
        engine.SetSearchTime(5000);
        engine.SearchTime();
        statuses["outOfRange"] = m_host.reports.back();
        engine.EndPlayback();

        fs::remove(idx);
        ASSERT_TRUE(engine.OpenRecording(sd).Ok());
        statuses["openedByScanning"] = engine.PlaybackNotice();
        engine.EndPlayback();
        fs::remove(idx);
        fs::create_directory(idx);
        statuses["unreadable"] = engine.OpenRecording(sd);
        fs::remove(idx);
        WriteAll(idx, std::string("\x41\x4B\x4C\x00", 4));
        statuses["tooMany"] = engine.OpenRecording(sd);
        WriteAll(idx, std::string("\x03\0", 2));
        statuses["short"] = engine.OpenRecording(sd);
        for (auto& offset : offsets) offset = 1u << 30;
        ASSERT_TRUE(RecordFile::WriteIndex(idx, offsets.data(), 5).Ok());
        WriteAll(sd, std::string(300, 'x'));  // nothing readable past the index either
        statuses["noRecord"] = engine.OpenRecording(sd);
        fs::remove(sd);
        statuses["openData"] = engine.OpenRecording(sd);

        statuses["createFile"] = RecordFile::WriteIndex(Path("none/q.idx"), offsets.data(), 1);
    }

    TempDir m_dir;
    std::string m_folder = m_dir.File("");
    FakeHost m_host;
};

// The texts, with the test folder written as "<d>/".
std::string Shown(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
        text.replace(at, folder.size(), "<d>/");
    return text;
}

const std::map<std::string, std::pair<std::string, std::string>> kExpected = {
    {"already", {"已在存储中", "Already recording"}},
    {"closeIndex",
     {"无法写入索引文件 <d>/a.idx（<d>/a.idx 不是普通文件，不能用作记录）。数据文件完好，可用 "
      "marevox-cli reindex 重建索引。",
      "Cannot write the index file <d>/a.idx (<d>/a.idx is not a regular file and cannot be "
      "used as a recording). The data file is intact; rebuild the index with marevox-cli "
      "reindex."}},
    {"full", {"存储文件过大", "The recording file is too large"}},
    {"duringPlayback", {"回放时不能存储", "Cannot record during playback"}},
    {"folder",
     {"无法创建文件夹 <d>/taken（Not a directory）",
      "Cannot create the folder <d>/taken (Not a directory)"}},
    {"data",
     {"无法创建数据文件 <d>/" + std::string(300, 'e') + ".sd（File name too long）",
      "Cannot create the data file <d>/" + std::string(300, 'e') + ".sd (File name too long)"}},
    {"index",
     {"无法创建索引文件 <d>/f.idx（无法写入文件 <d>/f.idx.tmp）",
      "Cannot create the index file <d>/f.idx (Cannot write the file <d>/f.idx.tmp)"}},
    {"text",
     {"<d>/g.txt 不是普通文件，不能用作记录",
      "<d>/g.txt is not a regular file and cannot be used as a recording"}},
    {"continuedByScanning",
     {"未找到*.idx文件。已扫描数据文件 <d>/i.sd：找到 3 "
      "条记录，已重新写出索引文件，新记录接在其后。",
      "No *.idx file found. The data file <d>/i.sd was scanned: 3 records found; the index file "
      "has been written again and new records follow them."}},
    {"continueEmpty",
     {"无法续录 <d>/h.sd：数据文件 <d>/h.sd 中没有可读的记录。可用 marevox-cli reindex "
      "重建索引后再试。",
      "Cannot continue recording <d>/h.sd: The data file <d>/h.sd holds no readable record. "
      "Rebuild the index with marevox-cli reindex and try again."}},
    {"open", {"回放已在进行", "A playback is already open"}},
    {"outOfRange", {"超出时间范围", "Out of the time range"}},
    {"openedByScanning",
     {"未找到*.idx文件。已扫描数据文件 <d>/p.sd 将其打开：找到 5 条记录。",
      "No *.idx file found. The recording was opened by scanning the data file <d>/p.sd: 5 "
      "records found."}},
    {"unreadable",
     {"索引文件 <d>/p.idx 不是普通文件", "The index file <d>/p.idx is not a regular file"}},
    {"tooMany",
     {"索引文件 <d>/p.idx 列出 5000001 条记录，超过 5000000 条的上限",
      "The index file <d>/p.idx lists 5000001 records, more than the limit of 5000000"}},
    {"short",
     {"索引文件 <d>/p.idx 不完整：比它所列的记录数短",
      "The index file <d>/p.idx is incomplete: shorter than the records it lists"}},
    {"noRecord",
     {"数据文件 <d>/p.sd 中没有可读的记录", "The data file <d>/p.sd holds no readable record"}},
    {"openData",
     {"无法打开数据文件 <d>/p.sd（No such file or directory）",
      "Cannot open the data file <d>/p.sd (No such file or directory)"}},
    {"createFile",
     {"无法创建文件 <d>/none/q.idx.tmp：No such file or directory",
      "Cannot create the file <d>/none/q.idx.tmp: No such file or directory"}},
};

TEST(EngineMessages, EachFailureReadsInChineseAndInEnglish) {
    EngineFailures failures;
    ASSERT_EQ(failures.statuses.size(), kExpected.size());
    for (const auto& [name, status] : failures.statuses) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(status.Ok());
        ASSERT_EQ(kExpected.count(name), 1u);
        EXPECT_EQ(Shown(EngineMessageText(status), failures.Folder()), kExpected.at(name).first);
        EXPECT_EQ(Shown(EngineMessage(status).toStdString(), failures.Folder()),
                  kExpected.at(name).first);
    }

    QTranslator english;
    ASSERT_TRUE(Language::InstallEnglish(english, QCoreApplication::applicationDirPath()));
    for (const auto& [name, status] : failures.statuses) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Shown(EngineMessage(status).toStdString(), failures.Folder()),
                  kExpected.at(name).second);
    }
    QCoreApplication::removeTranslator(&english);
}

TEST(EngineMessages, FailuresNoTestCanProvokeAreTranslatedToo) {
    // A full disk while recording, and a temporary file that cannot be
    // written out: worded through the same table.
    EngineStatus data = EngineStatus::Failure(EngineError::kCannotWriteData, "/d/x.sd", ENOSPC);
    EngineStatus file = EngineStatus::Failure(EngineError::kCannotWriteFile, "/d/x.idx.tmp");
    EngineStatus full = EngineStatus::Failure(EngineError::kIndexFull);
    full.Because(EngineStatus::Failure(EngineError::kCannotWriteIndex, "/d/x.idx").Because(file));
    EXPECT_EQ(EngineMessageText(data), "无法写入数据文件 /d/x.sd（No space left on device）");
    EXPECT_EQ(EngineMessageText(full),
              "存储文件过大\n无法写入索引文件 /d/x.idx（无法写入文件 /d/x.idx.tmp）。数据文件完好，"
              "可用 marevox-cli reindex 重建索引。");

    QTranslator english;
    ASSERT_TRUE(Language::InstallEnglish(english, QCoreApplication::applicationDirPath()));
    EXPECT_EQ(EngineMessage(data).toStdString(),
              "Cannot write to the data file /d/x.sd (No space left on device)");
    EXPECT_EQ(EngineMessage(full).toStdString(),
              "The recording file is too large\nCannot write the index file /d/x.idx (Cannot "
              "write the file /d/x.idx.tmp). The data file is intact; rebuild the index with "
              "marevox-cli reindex.");
    QCoreApplication::removeTranslator(&english);
}

}  // namespace
