#include "app/ProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

using ProfileFile::ReadString;
using ProfileFile::WriteString;

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    TempDir m_dir;
    std::string m_path = m_dir.File("Marevox.ini");
};

TEST_F(ProfileFileTest, ReadsTheKeyOfItsOwnSectionOrTheDefault) {
    EXPECT_EQ(ReadString(m_path, "SET_A", "Speed", "0"), "0");  // no file
    WriteAll(m_path,
             "IP=1.2.3.4\r\n[other]\r\n  pccom = 3 \r\n[SET_A]\r\nBack=1\r\n[SET_C]\r\nBACK=2\r\n");
    EXPECT_EQ(ReadString(m_path, "Other", "PcCom", "1"), "3");
    EXPECT_EQ(ReadString(m_path, "set_c", "Back", "0"), "2");
    EXPECT_EQ(ReadString(m_path, "Other", "IP", "0"), "0");  // before any section
    EXPECT_EQ(ReadString(m_path, "Ports", "COM1", "none"), "none");
    // Values, and defaults, are cut to 259 characters.
    ASSERT_TRUE(WriteString(m_path, "Other", "IP", std::string(400, 'x')));
    EXPECT_EQ(ReadString(m_path, "Other", "IP", "0"), std::string(259, 'x'));
    EXPECT_EQ(ReadString(m_path, "Other", "No", std::string(300, 'y')), std::string(259, 'y'));
}

TEST_F(ProfileFileTest, WritingCreatesTheFileSectionAndKey) {
    ASSERT_TRUE(WriteString(m_path, "SET_A", "EatWater", "0.50"));
    ASSERT_TRUE(WriteString(m_path, "SET_A", "Speed", "1500.000000"));
    ASSERT_TRUE(WriteString(m_path, "Other", "IP", "192.168.3.100"));
    EXPECT_EQ(ReadAll(m_path),
              "[SET_A]\nEatWater=0.50\nSpeed=1500.000000\n[Other]\nIP=192.168.3.100\n");
}

TEST_F(ProfileFileTest, WritingKeepsEveryOtherLineByteForByte) {
    WriteAll(m_path,
             "; survey boat 3\r\n[SET_A]\r\nEatWater=0.50\r\nSpeed = 1500\r\n\r\n"
             "[other]\r\nLanguage=1\r\nnote without equals");
    ASSERT_TRUE(WriteString(m_path, "set_a", "SPEED", "1480.000000"));
    ASSERT_TRUE(WriteString(m_path, "SET_A", "Plus", "-15"));
    ASSERT_TRUE(WriteString(m_path, "Other", "PcCom", "2"));
    EXPECT_EQ(ReadAll(m_path),
              "; survey boat 3\r\n[SET_A]\r\nEatWater=0.50\r\nSPEED=1480.000000\r\nPlus=-15\r\n\r\n"
              "[other]\r\nLanguage=1\r\nnote without equals\r\nPcCom=2\r\n");
}

TEST_F(ProfileFileTest, ValuesThatWouldBreakTheFileAreRefused) {
    WriteAll(m_path, "[Other]\nIP=1.2.3.4\n");
    EXPECT_FALSE(WriteString(m_path, "Other", "IP", "1.2.3.4\n[SET_A]\nSpeed=0"));
    EXPECT_FALSE(WriteString(m_path, "Other", "a=b", "1"));
    EXPECT_FALSE(WriteString(m_path, "Ot]her", "IP", "1"));
    EXPECT_EQ(ReadAll(m_path), "[Other]\nIP=1.2.3.4\n");
}

TEST_F(ProfileFileTest, AFailedWriteLeavesTheFileAndAWriteThroughALinkKeepsTheLink) {
    WriteAll(m_path, "[Other]\nIP=1.2.3.4\n");
    {
        // The new contents do not fit on the disk.
        FileSizeLimit full(8);
        EXPECT_FALSE(WriteString(m_path, "Other", "IP", "9.9.9.9"));
    }
    EXPECT_EQ(ReadAll(m_path), "[Other]\nIP=1.2.3.4\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()),
                            std::filesystem::directory_iterator()),
              1);

    const std::string link = m_dir.File("link.ini");
    std::filesystem::create_symlink(m_path, link);
    ASSERT_TRUE(WriteString(link, "Other", "IP", "5.6.7.8"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadString(m_path, "Other", "IP", "0"), "5.6.7.8");
    EXPECT_FALSE(std::filesystem::exists(m_path + ".tmp"));
}

}  // namespace
