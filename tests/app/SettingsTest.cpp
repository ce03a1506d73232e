#include "app/Settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/ProfileFile.h"
#include "app/SettingsLocation.h"
#include "tests/support/FakeHost.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

namespace {

class SettingsTest : public EngineTest {
protected:
    std::string Read(const char* section, const char* key) {
        return ProfileFile::ReadString(m_path, section, key, "<missing>");
    }

    TempDir m_dir;
    std::string m_path = m_dir.File("Marevox.ini");
    AppSettings m_app;
};

TEST_F(SettingsTest, FirstRunCreatesAnEmptyFileAndUsesTheDefaults) {
    ASSERT_TRUE(StartSettings(m_path, engine, m_app));
    EXPECT_TRUE(std::filesystem::exists(m_path));
    EXPECT_EQ(std::filesystem::file_size(m_path), 0u);
    EXPECT_EQ(engine.Sounding().Colour(XSound::kBack), 12412928u);
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1500.0);
    EXPECT_EQ(engine.Sounding().Draft(), 0.5);
    EXPECT_EQ(engine.Sounding().GainAuto(), 1);
    EXPECT_EQ(engine.Sounding().Gain(), -15);
    EXPECT_EQ(engine.Sounding().RangeAuto(), 1);
    EXPECT_EQ(engine.Sounding().RangeIndex(), 0);
    EXPECT_EQ(m_app.m_pcCom.load(), 0);
    EXPECT_EQ(engine.Sounding().UseNet(), 0);
    EXPECT_EQ(m_app.Ip(), "192.168.3.100");
}

TEST_F(SettingsTest, AnEmptyFileReadsEveryKeyAsZeroButPcComIpAndSpeed) {
    WriteAll(m_path, "");
    std::vector<std::string> named;
    ASSERT_TRUE(StartSettings(m_path, engine, m_app, &named));
    for (const std::uint32_t colour : engine.Settings().m_colours) EXPECT_EQ(colour, 0u);
    // But a sound speed of 0 would make every depth 0.
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1500.0);
    EXPECT_EQ(named, std::vector<std::string>{"Speed"});
    EXPECT_EQ(engine.Sounding().Draft(), 0.0);
    EXPECT_EQ(engine.Sounding().Gain(), 0);
    EXPECT_EQ(engine.Sounding().GainAuto(), 0);
    EXPECT_EQ(m_app.m_pcCom.load(), 1);
    EXPECT_EQ(m_app.Ip(), "0");
}

TEST_F(SettingsTest, WrittenFormats) {
    WriteAll(m_path, "");
    SetDefaultSettings(engine, m_app);
    engine.Sounding().SetAntiJamDepth(12.3);
    engine.Sounding().SetColour(XSound::kSeeEdit, 0xFFFFFFFFu);
    m_app.m_depType.store(3);
    ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
    EXPECT_EQ(Read("SET_A", "Speed"), "1500.000000");
    EXPECT_EQ(Read("SET_A", "EatWater"), "0.50");
    EXPECT_EQ(Read("SET_A", "Plus"), "-15");
    EXPECT_EQ(Read("SET_A", "FixDep"), "12.3");
    EXPECT_EQ(Read("SET_C", "Back"), "12412928");
    EXPECT_EQ(Read("SET_C", "SeeEdit"), "-1");
    EXPECT_EQ(Read("Other", "DepType"), "3");
    // Without the checksum option the depth sentences are the plain ones.
    EXPECT_EQ(Read("Other", "NmeaCheck"), "0");
    EXPECT_EQ(Read("Other", "IP"), "192.168.3.100");
    // Sections in file order, keys in table order.
    std::string text = ReadAll(m_path);
    EXPECT_LT(text.find("[SET_A]"), text.find("[SET_C]"));
    EXPECT_LT(text.find("[SET_C]"), text.find("[Other]"));
    EXPECT_LT(text.find("EatWater="), text.find("FixDep="));
    EXPECT_LT(text.find("Language="), text.find("PortSend="));
}

TEST_F(SettingsTest, EverySettingSurvivesSaveAndLoad) {
    WriteAll(m_path, "");
    SetDefaultSettings(engine, m_app);
    engine.Sounding().SetDraft(1.25);
    engine.Sounding().SetSoundSpeed(1480.0);
    engine.Sounding().SetGain(-40);
    engine.Sounding().SetGainAuto(0);
    engine.Sounding().SetRangeIndex(4);
    engine.Sounding().SetRangeIndexSet(1);  // only the range in effect is saved
    engine.Sounding().SetRangeOffset(2);
    engine.Sounding().SetAntiJamMode(2);
    engine.Sounding().SetAntiJamDepth(7.5);
    engine.Sounding().SetColour(XSound::kDesk, 0x00ABCDEFu);
    engine.Sounding().SetUartCtl(5);
    engine.Sounding().SetUseNet(1);
    m_app.m_language.store(1);
    m_app.m_comNumIdx.store(3);
    m_app.m_comBaudIdx.store(7);
    m_app.m_pcCom.store(4);
    m_app.SetIp("10.1.2.3");
    m_app.m_portListen.store(4001);
    m_app.m_portSend.store(4002);
    m_app.SetNmeaChecksum(true);
    ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
    const std::string saved = ReadAll(m_path);

    // Loaded into a fresh engine and saved again, the file is the same.
    XSound loaded;
    AppSettings app;
    ASSERT_TRUE(StartSettings(m_path, loaded, app));
    EXPECT_EQ(loaded.Sounding().RangeIndexSet(), 4);
    EXPECT_EQ(loaded.Sounding().RangeOffsetSet(), 2);
    EXPECT_EQ(loaded.Sounding().Colour(XSound::kDesk), 0x00ABCDEFu);
    EXPECT_EQ(app.Ip(), "10.1.2.3");
    EXPECT_TRUE(app.NmeaChecksum());
    WriteAll(m_path, "");
    ASSERT_TRUE(SaveSettings(m_path, loaded, app));
    EXPECT_EQ(ReadAll(m_path), saved);
    for (const char* line :
         {"RangIdx=4", "Plus=-40", "EatWater=1.25", "Speed=1480.000000", "DisturbMod=2",
          "FixDep=7.5", "ComBaudIdx=7", "PortSend=4002", "NmeaCheck=1"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
}

TEST_F(SettingsTest, ParsingFollowsTheCLibraryConversions) {
    WriteAll(m_path,
             "[SET_A]\nSpeed=1499.9\nPlus=241\nEatWater= 0.75m\nFixDep=abc\nPlusMod=257\n"
             "[Other]\nPortSend=99999999999\nLanguage=-2\n");
    LoadSettings(m_path, engine, m_app);
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1499.0);  // fraction dropped
    EXPECT_EQ(engine.Sounding().Gain(), -15);           // 241 is the byte 0xF1
    EXPECT_EQ(engine.Sounding().Draft(), 0.75);
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 0.0);
    EXPECT_EQ(engine.Sounding().GainAuto(), 1);  // low byte of 257
    EXPECT_EQ(m_app.m_portSend.load(), 2147483647);
    EXPECT_EQ(m_app.m_language.load(), -2);
}

// A value no dialog allows, or a missing key whose 0 would make every depth
// wrong, takes its first-run value and is named; the rest is read as it is.
TEST_F(SettingsTest, ValuesOutsideTheirDomainTakeTheFirstRunValueAndAreNamed) {
    struct Case {
        const char* file;
        std::vector<std::string> named;
        std::function<void(const XSound&, const AppSettings&)> check;
    };
    const Case cases[] = {
        {"[SET_A]\nSpeed=99999\nEatWater=1.5\n",
         {"Speed"},
         [](const XSound& e, const AppSettings&) {
             EXPECT_EQ(e.Sounding().SoundSpeed(), 1500.0);
             EXPECT_EQ(e.Sounding().Draft(), 1.5);
         }},
        {"[SET_A]\nSpeed=0\n",
         {"Speed"},
         [](const XSound& e, const AppSettings&) { EXPECT_EQ(e.Sounding().SoundSpeed(), 1500.0); }},
        {"[SET_A]\nEatWater=1.0\n",
         {"Speed"},  // missing: 0 m/s
         [](const XSound& e, const AppSettings&) {
             EXPECT_EQ(e.Sounding().SoundSpeed(), 1500.0);
             EXPECT_EQ(e.Sounding().Draft(), 1.0);
             EXPECT_EQ(e.Sounding().Gain(), 0);  // missing, and 0 is a gain
         }},
        {"[SET_A]\nSpeed=1480\nEatWater=-5\nFixDep=600\n",
         {"EatWater", "FixDep"},
         [](const XSound& e, const AppSettings&) {
             EXPECT_EQ(e.Sounding().SoundSpeed(), 1480.0);
             EXPECT_EQ(e.Sounding().Draft(), 0.5);
             EXPECT_EQ(e.Sounding().AntiJamDepth(), 0.0);
         }},
        {"[SET_A]\nSpeed=1480\nEatWater=5000\nEatWater=1\n",
         {"EatWater"},
         [](const XSound& e, const AppSettings&) { EXPECT_EQ(e.Sounding().Draft(), 0.5); }},
        {"[SET_A]\nSpeed=nan\nEatWater=inf\n",
         {"EatWater", "Speed"},
         [](const XSound& e, const AppSettings&) {
             EXPECT_EQ(e.Sounding().SoundSpeed(), 1500.0);
             EXPECT_EQ(e.Sounding().Draft(), 0.5);
         }},
        {"[SET_A]\nSpeed=1500\nRangIdx=9\nRangeOffset=3\nDisturbMod=7\nPlus=100\nPlusMod=2\n"
         "[Other]\nComBaudIdx=12\nComNumIdx=-1\nDepType=7\nPcCom=9\n",
         {"PlusMod", "Plus", "RangIdx", "RangeOffset", "DisturbMod", "ComNumIdx", "ComBaudIdx",
          "DepType"},
         [](const XSound& e, const AppSettings& a) {
             EXPECT_EQ(e.Sounding().RangeIndex(), 0);
             EXPECT_EQ(e.Sounding().RangeIndexSet(), 0);
             EXPECT_EQ(e.Sounding().RangeOffset(), 0);
             EXPECT_EQ(e.Sounding().AntiJamMode(), 0);
             EXPECT_EQ(e.Sounding().Gain(), -15);
             EXPECT_EQ(e.Sounding().GainAuto(), 1);
             EXPECT_EQ(a.m_comBaudIdx.load(), 0);
             EXPECT_EQ(a.m_comNumIdx.load(), 0);
             EXPECT_EQ(a.m_depType.load(), 0);
             EXPECT_EQ(a.m_pcCom.load(), 9);  // a port is mapped by the file, not chosen
         }},
        {"[SET_A]\nSpeed=1700\nEatWater=100\nFixDep=500\nPlus=-40\nRangIdx=4\n[Other]\nDepType=4\n",
         {},
         [](const XSound& e, const AppSettings& a) {
             EXPECT_EQ(e.Sounding().SoundSpeed(), 1700.0);
             EXPECT_EQ(e.Sounding().Draft(), 100.0);
             EXPECT_EQ(e.Sounding().AntiJamDepth(), 500.0);
             EXPECT_EQ(e.Sounding().Gain(), -40);
             EXPECT_EQ(e.Sounding().RangeIndex(), 4);
             EXPECT_EQ(a.m_depType.load(), 4);
         }},
        // The depth alarms and the depth unit: missing keys take their
        // defaults, values outside the dialog's limits too.
        {"[SET_A]\nSpeed=1500\n[Alarms]\nShallowOn=1\nShallowDepth=-1\nDeepDepth=30.5\n"
         "DeepHysteresis=60\nBottomLostPings=0\n[Display]\nDepthUnit=3\n",
         {"ShallowDepth", "DeepHysteresis", "BottomLostPings", "DepthUnit"},
         [](const XSound&, const AppSettings& a) {
             EXPECT_TRUE(a.m_alarms.shallow.on);
             EXPECT_EQ(a.m_alarms.shallow.depth, 2.0);
             EXPECT_EQ(a.m_alarms.shallow.hysteresis, 0.3);
             EXPECT_EQ(a.m_alarms.deep.depth, 30.5);
             EXPECT_EQ(a.m_alarms.deep.hysteresis, 1.0);
             EXPECT_EQ(a.m_alarms.bottomLostPings, 10);
             EXPECT_EQ(a.m_alarms.staleSeconds, 5);
             EXPECT_EQ(a.m_depthUnit.load(), 0);
         }},
        // The helm display: off, on this machine only, when not written.
        {"[SET_A]\nSpeed=1500\n",
         {},
         [](const XSound&, const AppSettings& a) {
             EXPECT_EQ(a.m_helmOn, 0);
             EXPECT_EQ(a.m_helmAddress, "127.0.0.1");
             EXPECT_EQ(a.m_helmPort, 8080);
         }},
        {"[SET_A]\nSpeed=1500\n[Helm]\nHelmOn=5\nHelmAddress=192.168.1.20\nHelmPort=70000\n",
         {"HelmPort"},
         [](const XSound&, const AppSettings& a) {
             EXPECT_EQ(a.m_helmOn, 1);
             EXPECT_EQ(a.m_helmAddress, "192.168.1.20");
             EXPECT_EQ(a.m_helmPort, 8080);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteAll(m_path, c.file);
        std::vector<std::string> named{"stale"};
        ASSERT_TRUE(StartSettings(m_path, engine, m_app, &named));
        EXPECT_EQ(named, c.named);
        c.check(engine, m_app);
        // The file is rewritten as a good file is, with the values in force.
        ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
        ASSERT_TRUE(LoadSettings(m_path, engine, m_app, &named));
        EXPECT_TRUE(named.empty());
        c.check(engine, m_app);
    }
}

TEST_F(SettingsTest, AFileDeletedWhileRunningIsNotRecreated) {
    ASSERT_TRUE(StartSettings(m_path, engine, m_app));
    std::filesystem::remove(m_path);
    EXPECT_FALSE(SaveSettings(m_path, engine, m_app));
    EXPECT_FALSE(std::filesystem::exists(m_path));
}

TEST_F(SettingsTest, WhereTheSettingsFileIsAndWhichDeviceAPortIs) {
    EXPECT_EQ(SettingsLocation::SettingsFilePath(m_dir.Path().string()), m_path);
    WriteAll(m_path, "[Ports]\nCOM1=/dev/ttyUSB0\n");
    EXPECT_EQ(SettingsLocation::PortDevice(m_path, 1), "/dev/ttyUSB0");
    EXPECT_EQ(SettingsLocation::PortDevice(m_path, 3), "/dev/ttyS2");
    EXPECT_EQ(SettingsLocation::PortDevice(m_path, 0), "");

    const std::string config = m_dir.File("config");
    std::string path;
    {
        ScopedEnvironment configHome("XDG_CONFIG_HOME", config);
        path = SettingsLocation::SettingsFilePath(m_dir.File("no-such-folder"));
    }
    EXPECT_EQ(path, config + "/Marevox/Marevox.ini");
    EXPECT_TRUE(std::filesystem::is_directory(config + "/Marevox"));
}

// Section GNSS: its limits, and a file without it left without it.
TEST_F(SettingsTest, ThePositionSourceSectionIsCheckedAndWrittenOnlyWhenSet) {
    struct Case {
        const char* file;
        std::vector<std::string> named;
        PositionSourceSettings expected;
    };
    PositionSourceSettings gpsd;
    gpsd.source = PositionSourceSettings::kGpsd;
    gpsd.gpsdHost = "10.0.0.7";
    gpsd.gpsdPort = 65535;
    gpsd.latencyMs = -1000;
    gpsd.antennaForward = -100.0;
    gpsd.antennaStarboard = 1.25;
    gpsd.inFile = true;
    PositionSourceSettings defaults;
    defaults.inFile = true;
    PositionSourceSettings serial = defaults;
    serial.source = PositionSourceSettings::kSerial;
    serial.serialPort = 255;
    serial.serialBaud = 4000000;
    serial.latencyMs = 10000;
    const Case cases[] = {
        {"[SET_A]\nSpeed=1500\n", {}, PositionSourceSettings{}},
        {"[SET_A]\nSpeed=1500\n[GNSS]\nSource=1\nGpsdHost=10.0.0.7\nGpsdPort=65535\n"
         "LatencyMs=-1000\nAntennaForward=-100\nAntennaStarboard=1.25\n",
         {},
         gpsd},
        {"[SET_A]\nSpeed=1500\n[GNSS]\nSource=2\nSerialCom=255\nSerialBaud=4000000\n"
         "LatencyMs=10000\n",
         {},
         serial},
        {"[SET_A]\nSpeed=1500\n[GNSS]\nSource=3\nGpsdPort=0\nSerialCom=256\nSerialBaud=49\n"
         "LatencyMs=-1001\nAntennaForward=100.01\nAntennaStarboard=nan\n",
         {"Source", "GpsdPort", "SerialCom", "SerialBaud", "LatencyMs", "AntennaForward",
          "AntennaStarboard"},
         defaults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteAll(m_path, c.file);
        std::vector<std::string> named;
        ASSERT_TRUE(StartSettings(m_path, engine, m_app, &named));
        EXPECT_EQ(named, c.named);
        EXPECT_EQ(m_app.Positions(), c.expected);
        ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
        EXPECT_EQ(ReadAll(m_path).find("[GNSS]") != std::string::npos, c.expected.inFile);
        ASSERT_TRUE(LoadSettings(m_path, engine, m_app, &named));
        EXPECT_TRUE(named.empty());
        EXPECT_EQ(m_app.Positions(), c.expected);
    }
    // Set by the user, the section joins a file that had none.
    WriteAll(m_path, "");
    SetDefaultSettings(engine, m_app);
    m_app.SetPositions(gpsd);
    ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
    EXPECT_EQ(Read("GNSS", "GpsdHost"), "10.0.0.7");
    EXPECT_EQ(Read("GNSS", "AntennaForward"), "-100.00");
}

// Sections Alarms, Display and Helm follow the same rule: saved at their
// defaults, a file without them stays without them; a value set joins its
// section alone, and a section once in the file stays.
TEST_F(SettingsTest, TheDeckSectionsAreWrittenOnlyWhenSetOrPresent) {
    const std::string described = "[SET_A]\nSpeed=1500\n";
    WriteAll(m_path, described);
    ASSERT_TRUE(StartSettings(m_path, engine, m_app, nullptr));
    ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
    const std::string saved = ReadAll(m_path);
    for (const char* section : {"[Alarms]", "[Display]", "[Helm]"})
        EXPECT_EQ(saved.find(section), std::string::npos) << section;

    m_app.m_depthUnit = 1;
    ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
    EXPECT_EQ(Read("Display", "DepthUnit"), "1");
    EXPECT_EQ(Read("Alarms", "ShallowOn"), "<missing>");
    EXPECT_EQ(Read("Helm", "HelmPort"), "<missing>");

    m_app.m_depthUnit = 0;
    ASSERT_TRUE(SaveSettings(m_path, engine, m_app));
    EXPECT_EQ(Read("Display", "DepthUnit"), "0");
}

}  // namespace

namespace {

std::filesystem::file_time_type ModifiedAt(const std::string& path) {
    return std::filesystem::last_write_time(path);
}

}  // namespace

// Whatever stands where the settings file belongs, the program starts on the
// defaults and leaves it as it was.
TEST_F(SettingsTest, SettingsFilesThatCannotBeReadLeaveTheDefaultsAndStayUntouched) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
    };
    const Case cases[] = {
        {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); }},
        {"a FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"a file too large",
         [](const std::string& p) {
             WriteAll(p, "[SET_A]\nSpeed=1400\n" + std::string(49 << 20, ';'));
         }},
        {"a file that is not text",
         [](const std::string& p) {
             std::string bytes(65536, '\0');
             std::uint32_t x = 12345;
             for (char& b : bytes) b = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
             WriteAll(p, bytes);
         }},
        {"an unreadable file",
         [](const std::string& p) {
             WriteAll(p, "[SET_A]\nSpeed=1400\n");
             std::filesystem::permissions(p, std::filesystem::perms::none);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_path);
        c.make(m_path);
        const bool rootReadsAnyway = ::getuid() == 0 && std::string(c.what) == "an unreadable file";
        if (rootReadsAnyway) continue;  // no file mode keeps root out
        const auto before = std::filesystem::status(m_path).type();
        const auto modified = ModifiedAt(m_path);
        engine.Sounding().SetSoundSpeed(0.0);
        EXPECT_FALSE(StartSettings(m_path, engine, m_app));
        EXPECT_EQ(engine.Sounding().SoundSpeed(), 1500.0);
        EXPECT_EQ(m_app.m_pcCom.load(), 0);
        EXPECT_FALSE(SaveSettings(m_path, engine, m_app));
        EXPECT_EQ(std::filesystem::status(m_path).type(), before);
        EXPECT_EQ(ModifiedAt(m_path), modified);
        EXPECT_EQ(SettingsLocation::PortDevice(m_path, 1), "/dev/ttyS0");
    }
}

TEST_F(SettingsTest, AReadOnlyFileIsReadButNeverReplaced) {
    const std::string text = "[SET_A]\nSpeed=1480\n";
    WriteAll(m_path, text);
    std::filesystem::permissions(
        m_path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    ASSERT_TRUE(StartSettings(m_path, engine, m_app));
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1480.0);
    engine.Sounding().SetSoundSpeed(1500.0);
    EXPECT_FALSE(SaveSettings(m_path, engine, m_app));
    EXPECT_EQ(ReadAll(m_path), text);
    EXPECT_FALSE(ProfileFile::WriteString(m_path, "SET_A", "Speed", "1500"));
    EXPECT_EQ(ReadAll(m_path), text);
}
