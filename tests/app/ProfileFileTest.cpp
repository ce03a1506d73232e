#include "ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "TempDir.h"

using ProfileFile::ReadString;
using ProfileFile::WriteString;

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    TempDir m_dir;
    std::string m_path = m_dir.File("Marevox.ini");
};

TEST_F(ProfileFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(ReadString(m_path, "SET_A", "Speed", "0"), "0");
    WriteAll(m_path, "[SET_A]\nSpeed=1500\n");
    EXPECT_EQ(ReadString(m_path, "SET_C", "Speed", "1"), "1");
    EXPECT_EQ(ReadString(m_path, "SET_A", "Plus", "dflt"), "dflt");
    EXPECT_EQ(ReadString(m_path, "SET_A", "Speed", "0"), "1500");
}

TEST_F(ProfileFileTest, NamesIgnoreCaseAndSurroundingSpace) {
    WriteAll(m_path, "[other]\r\n  pccom = 3 \r\n[Set_A]\r\nSPEED=1480\r\n");
    EXPECT_EQ(ReadString(m_path, "Other", "PcCom", "1"), "3");
    EXPECT_EQ(ReadString(m_path, "SET_A", "Speed", "0"), "1480");
}

TEST_F(ProfileFileTest, KeyIsLookedUpOnlyInItsOwnSection) {
    WriteAll(m_path, "[SET_A]\nBack=1\n[SET_C]\nBack=2\n[Other]\n");
    EXPECT_EQ(ReadString(m_path, "SET_C", "Back", "0"), "2");
    EXPECT_EQ(ReadString(m_path, "Other", "Back", "0"), "0");
    // Keys before the first section belong to no section.
    WriteAll(m_path, "IP=1.2.3.4\n[Other]\nPortSend=5\n");
    EXPECT_EQ(ReadString(m_path, "Other", "IP", "0"), "0");
}

TEST_F(ProfileFileTest, LongValuesAreCutAt259Characters) {
    std::string longValue(400, 'x');
    ASSERT_TRUE(WriteString(m_path, "Other", "IP", longValue));
    EXPECT_EQ(ReadString(m_path, "Other", "IP", "0"), std::string(259, 'x'));
    EXPECT_EQ(ReadString(m_path, "Other", "Nope", longValue), std::string(259, 'x'));
}

TEST_F(ProfileFileTest, WritingCreatesFileSectionAndKey) {
    ASSERT_TRUE(WriteString(m_path, "SET_A", "EatWater", "0.50"));
    EXPECT_EQ(ReadAll(m_path), "[SET_A]\nEatWater=0.50\n");
    ASSERT_TRUE(WriteString(m_path, "SET_A", "Speed", "1500.000000"));
    ASSERT_TRUE(WriteString(m_path, "Other", "IP", "192.168.3.100"));
    EXPECT_EQ(ReadAll(m_path),
              "[SET_A]\nEatWater=0.50\nSpeed=1500.000000\n[Other]\nIP=192.168.3.100\n");
}

TEST_F(ProfileFileTest, WritingKeepsEveryOtherLineByteForByte) {
    const std::string before =
        "; survey boat 3\r\n[SET_A]\r\nEatWater=0.50\r\nSpeed = 1500\r\n\r\n"
        "[other]\r\nLanguage=1\r\nnote without equals\r\n";
    WriteAll(m_path, before);
    ASSERT_TRUE(WriteString(m_path, "set_a", "SPEED", "1480.000000"));
    ASSERT_TRUE(WriteString(m_path, "SET_A", "Plus", "-15"));
    ASSERT_TRUE(WriteString(m_path, "Other", "PcCom", "2"));
    EXPECT_EQ(ReadAll(m_path),
              "; survey boat 3\r\n[SET_A]\r\nEatWater=0.50\r\nSPEED=1480.000000\r\nPlus=-15\r\n\r\n"
              "[other]\r\nLanguage=1\r\nnote without equals\r\nPcCom=2\r\n");
}

TEST_F(ProfileFileTest, AppendsAfterALastLineWithoutLineEnd) {
    WriteAll(m_path, "[SET_A]\nSpeed=1500");
    ASSERT_TRUE(WriteString(m_path, "SET_A", "Plus", "3"));
    ASSERT_TRUE(WriteString(m_path, "SET_C", "Back", "0"));
    EXPECT_EQ(ReadAll(m_path), "[SET_A]\nSpeed=1500\nPlus=3\n[SET_C]\nBack=0\n");
}

TEST_F(ProfileFileTest, ValuesThatWouldBreakTheFileAreRefused) {
    WriteAll(m_path, "[Other]\nIP=1.2.3.4\n");
    EXPECT_FALSE(WriteString(m_path, "Other", "IP", "1.2.3.4\n[SET_A]\nSpeed=0"));
    EXPECT_FALSE(WriteString(m_path, "Other", "a=b", "1"));
    EXPECT_FALSE(WriteString(m_path, "Ot]her", "IP", "1"));
    EXPECT_FALSE(WriteString(m_path, "", "IP", "1"));
    EXPECT_EQ(ReadAll(m_path), "[Other]\nIP=1.2.3.4\n");
}

TEST_F(ProfileFileTest, FailedWriteLeavesTheFileUntouched) {
    WriteAll(m_path, "[Other]\nIP=1.2.3.4\n");
    // The temporary file cannot be created where a folder of its name stands.
    std::filesystem::create_directory(m_path + ".tmp");
    EXPECT_FALSE(WriteString(m_path, "Other", "IP", "9.9.9.9"));
    EXPECT_EQ(ReadAll(m_path), "[Other]\nIP=1.2.3.4\n");
    std::filesystem::remove(m_path + ".tmp");
    ASSERT_TRUE(WriteString(m_path, "Other", "IP", "9.9.9.9"));
    EXPECT_FALSE(std::filesystem::exists(m_path + ".tmp"));
}

TEST_F(ProfileFileTest, UnreadableFileIsNeverReplaced) {
    WriteAll(m_path, "[Other]\nIP=1.2.3.4\n");
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    ::chmod(m_path.c_str(), 0200);
    EXPECT_FALSE(WriteString(m_path, "Other", "PortSend", "1"));
    ::chmod(m_path.c_str(), 0600);
    EXPECT_EQ(ReadAll(m_path), "[Other]\nIP=1.2.3.4\n");
}

TEST_F(ProfileFileTest, WritingThroughASymlinkReplacesTheTarget) {
    std::string target = m_dir.File("real.ini");
    WriteAll(target, "[Other]\nIP=1.2.3.4\n");
    std::filesystem::create_symlink(target, m_path);
    ASSERT_TRUE(WriteString(m_path, "Other", "IP", "5.6.7.8"));
    EXPECT_TRUE(std::filesystem::is_symlink(m_path));
    EXPECT_EQ(ReadString(target, "Other", "IP", "0"), "5.6.7.8");
}

TEST_F(ProfileFileTest, QuotedValuesAndByteOrderMark) {
    WriteAll(m_path, "\xEF\xBB\xBF[Other]\nIP=\"10.0.0.1\"\n");
    EXPECT_EQ(ReadString(m_path, "Other", "IP", "0"), "10.0.0.1");
}

}  // namespace
