// marevox-cli export: every format read back by GDAL's ogrinfo, projected
// coordinates against PROJ's cs2cs, positions placed again from the raw log,
// a survey recorded through a real gpsd, and the faults, each leaving
// nothing behind.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "tests/support/FileSizeLimit.h"
#include "tests/support/GnssSession.h"
#include "tests/support/PositionFiles.h"
#include "tests/tools/cli/CliRun.h"

namespace {

// What a command prints on standard output.
std::string Output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        for (int c; (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
        ::pclose(pipe);
    }
    return text;
}

// The fields of one feature as ogrinfo prints them ("  name (Type) = value").
std::map<std::string, std::string> Feature(const std::string& file, std::uint32_t record) {
    std::map<std::string, std::string> fields;
    // CSV typed as the values look; KML's fields read back as text.
    const std::string typed = file.ends_with(".csv") ? "-oo AUTODETECT_TYPE=YES " : "";
    const std::string value =
        file.ends_with(".kml") ? "\"'" + std::to_string(record) + "'\"" : std::to_string(record);
    std::istringstream in(Output("ogrinfo -ro -al -q " + typed + "'" + file +
                                 "' -where record=" + value + " 2>/dev/null"));
    for (std::string line; std::getline(in, line);) {
        const auto open = line.find(" ("), equals = line.find(") = ");
        if (line.rfind("  ", 0) != 0 || open == std::string::npos || equals == std::string::npos)
            continue;
        fields[line.substr(2, open - 2)] = line.substr(equals + 4);
    }
    return fields;
}

double Number(const std::map<std::string, std::string>& fields, const std::string& name) {
    const auto it = fields.find(name);
    return it == fields.end() || it->second == "(null)" ? std::nan("") : std::stod(it->second);
}

// cs2cs: easting and northing of a place in an EPSG system (cs2cs writes
// them in the system's own axis order).
std::pair<double, double> Cs2cs(double latitude, double longitude, int epsg,
                                bool northFirst = false) {
    char place[64];
    std::snprintf(place, sizeof place, "%.10f %.10f", latitude, longitude);
    std::istringstream out(Output("echo '" + std::string(place) +
                                  "' | cs2cs -f %.4f EPSG:4326 EPSG:" + std::to_string(epsg)));
    double e = 0, n = 0;
    out >> e >> n;
    if (northFirst) std::swap(e, n);
    return {e, n};
}

// Nothing but the expected files in the folder: no partial output, no
// staging folder.
std::vector<std::string> Names(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        if (entry.path().filename() != "stderr.txt")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CliExport : public CliTest {
protected:
    static constexpr std::uint32_t kCount = 120;
    void SetUp() override { ASSERT_TRUE(PositionRun::Write(m_dir.File("run"), kCount)); }
    std::string Export(const std::string& options) {
        return "export '" + m_dir.File("run.sd") + "' " + options;
    }
};

struct FormatCase {
    const char* format;
    const char* file;
    std::uint32_t features;  // table formats keep the pings without position
    const char* srs;         // as ogrinfo names the layer's system
    bool projectedGeometry;
};

TEST_F(CliExport, EveryFormatReadsBackWithItsSystemAndTheRecordingsValues) {
    const std::uint32_t placed = kCount - PositionRun::kUnplaced;
    for (const FormatCase& c : {FormatCase{"gpkg", "out.gpkg", placed, "UTM zone 51N", true},
                                {"shp", "out.shp", placed, "UTM zone 51N", true},
                                {"geojson", "out.geojson", placed, "WGS 84", false},
                                {"kml", "out.kml", placed, "WGS 84", false},
                                {"csv", "out.csv", kCount, "", false}}) {
        SCOPED_TRACE(c.format);
        const std::string file = m_dir.File(c.file);
        const CliResult r = Run(Export(std::string("--format ") + c.format + " --out " + file));
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        EXPECT_TRUE(Has(r.errors, std::to_string(kCount) + " pings")) << r.errors;
        EXPECT_TRUE(Has(r.errors, std::to_string(PositionRun::kUnplaced) + " without position"));
        const std::string summary = Output("ogrinfo -ro -al -so '" + file + "'");
        EXPECT_TRUE(Has(summary, "Feature Count: " + std::to_string(c.features))) << summary;
        EXPECT_TRUE(Has(summary, c.srs)) << summary;
        for (const char* field : {"time_utc", "latitude", "easting", "depth_m", "smoothed_m",
                                  "draft_m", "sound_mps", "quality", "error_m", "flag", "mark"})
            EXPECT_TRUE(Has(summary, std::string(field) + ": ")) << field;
        // The track beside the points where a format holds layers; depth
        // said to be positive down where it holds a description.
        EXPECT_EQ(Has(summary, "Layer name: track"),
                  c.format == std::string("gpkg") || c.format == std::string("kml"));
        EXPECT_EQ(Has(summary, "positive down"),
                  c.format == std::string("gpkg") || c.format == std::string("geojson"));

        const auto mark = Feature(file, PositionRun::kMarkRecord);
        const LatLon at = PositionRun::At(PositionRun::PingMs(PositionRun::kMarkRecord));
        EXPECT_NEAR(Number(mark, "latitude"), at.latitude, 1e-9);
        EXPECT_NEAR(Number(mark, "longitude"), at.longitude, 1e-9);
        // GeoJSON's reader takes the text for a date and prints it its own way.
        EXPECT_TRUE(mark.at("time_utc") == "2026-12-08T14:44:55.736Z" ||
                    mark.at("time_utc") == "2026/12/08 14:44:55.736+00");
        EXPECT_EQ(Number(mark, "mark"), PositionRun::kMarkNumber);
        EXPECT_EQ(Number(mark, "draft_m"), 0.5);
        EXPECT_EQ(Number(mark, "sound_mps"), 1500.0);
        EXPECT_GT(Number(mark, "depth_m"), 0.5);
        EXPECT_TRUE(std::isnan(Number(Feature(file, 58), "mark")));
        const auto [e, n] = Cs2cs(at.latitude, at.longitude, 32651);
        EXPECT_NEAR(Number(mark, "easting"), e, 0.001);
        EXPECT_NEAR(Number(mark, "northing"), n, 0.001);
        if (c.projectedGeometry) {
            EXPECT_TRUE(
                Has(Output("ogrinfo -ro -al -q '" + file + "' -where record=57 2>/dev/null"),
                    "POINT (" + std::to_string(Number(mark, "easting")).substr(0, 10)));
        }
        if (c.features == kCount) {  // the unplaced pings, with empty coordinates
            const auto unplaced = Feature(file, 0);
            EXPECT_TRUE(std::isnan(Number(unplaced, "latitude")));
            EXPECT_EQ(unplaced.at("flag"), "none");
        }
    }
    // XYZ: easting northing depth, the charted pings only.
    const CliResult xyz = Run(Export("--format xyz --crs EPSG:32651"));
    ASSERT_EQ(xyz.exitCode, 0) << xyz.errors;
    std::istringstream lines(ReadAll(m_dir.File("run.xyz")));
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), placed);
    double e = 0, n = 0, depth = 0;
    std::istringstream(rows[PositionRun::kMarkRecord - PositionRun::kUnplaced]) >> e >> n >> depth;
    const auto mark = Feature(m_dir.File("out.csv"), PositionRun::kMarkRecord);
    EXPECT_NEAR(e, Number(mark, "easting"), 0.0005);
    EXPECT_NEAR(depth, Number(mark, "depth_m"), 0.0005);
}

// Any projected system by its code, each against cs2cs to the millimetre.
TEST_F(CliExport, ProjectedCoordinatesAgreeWithCs2cs) {
    // 4549 (CGCS2000, Gauss-Kruger) names northing first; 32751 is south.
    for (const auto& [code, northFirst] :
         {std::pair{32651, false}, {3857, false}, {4549, true}, {32751, false}}) {
        SCOPED_TRACE(code);
        const std::string file = m_dir.File("p" + std::to_string(code) + ".csv");
        ASSERT_EQ(Run(Export("--format csv --crs EPSG:" + std::to_string(code) + " --out " + file))
                      .exitCode,
                  0);
        for (std::uint32_t record : {5u, 60u, 119u}) {
            const auto f = Feature(file, record);
            const auto [e, n] =
                Cs2cs(Number(f, "latitude"), Number(f, "longitude"), code, northFirst);
            EXPECT_NEAR(Number(f, "easting"), e, 0.001);
            EXPECT_NEAR(Number(f, "northing"), n, 0.001);
        }
    }
}

// The raw log places the pings again: with the survey's own settings where
// they were, a second of latency 2 m further along (2 m/s east), and an
// antenna 1 m to starboard 1 m to the north (the boat heads east).
TEST_F(CliExport, PositionsArePlacedAgainFromTheRawLog) {
    struct Case {
        const char* options;
        double east, north;
    };
    for (const Case& c : {Case{"--latency 0", 0.0, 0.0},
                          {"--latency 1000", 2.0, 0.0},
                          {"--antenna-starboard 1", 0.0, 1.0}}) {
        SCOPED_TRACE(c.options);
        const std::string file = m_dir.File("again.csv");
        const CliResult r =
            Run(Export(std::string("--format csv --force --out ") + file + " " + c.options));
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const LatLon at = PositionRun::At(PositionRun::PingMs(60));
        const auto f = Feature(file, 60);
        const EastNorth moved = Separation(at, {Number(f, "latitude"), Number(f, "longitude")});
        EXPECT_NEAR(moved.east, c.east, 0.001);
        EXPECT_NEAR(moved.north, c.north, 0.001);
    }
}

// Several recordings into one file, each with its name and its own track.
TEST_F(CliExport, SeveralRecordingsGoIntoOneFile) {
    ASSERT_TRUE(PositionRun::Write(m_dir.File("two"), 50));
    const std::string file = m_dir.File("both.gpkg");
    const CliResult r = Run(Export("'" + m_dir.File("two.sd") + "' --format gpkg --out " + file));
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_TRUE(Has(r.errors, "170 pings, 160 exported, 10 without position")) << r.errors;
    const auto count = [&](const std::string& query) {
        return Output("ogrinfo -ro -q '" + file + "' -sql \"" + query + "\" | grep ' = '");
    };
    EXPECT_TRUE(Has(count("SELECT COUNT(*) FROM soundings WHERE recording = 'two'"), "= 45"));
    EXPECT_TRUE(Has(count("SELECT COUNT(*) FROM track"), "= 2"));
    EXPECT_TRUE(Has(count("SELECT last_rec FROM track WHERE recording = 'two'"), "= 49"));
    // Without the track.
    ASSERT_EQ(Run(Export("--format gpkg --force --no-track --out " + file)).exitCode, 0);
    EXPECT_EQ(Output("ogrinfo -ro -so -q '" + file + "'"), "1: soundings (Point)\n");
}

// --edited takes the recording's edit file: the pings the edits reject
// are left out (all of them here: every depth is outside 0 to 5 m).
TEST_F(CliExport, EditedLeavesOutTheRejectedPings) {
    ASSERT_EQ(Run("edit '" + m_dir.File("run.sd") + "' --filter window:0:5").exitCode, 0);
    const CliResult all = Run(Export("--format csv"));
    EXPECT_TRUE(Has(all.errors, "120 exported")) << all.errors;
    const CliResult edited = Run(Export("--format csv --force --edited"));
    ASSERT_EQ(edited.exitCode, 0) << edited.errors;
    EXPECT_TRUE(Has(edited.errors, "0 exported") && Has(edited.errors, "120 pings left out"))
        << edited.errors;
}

// A position that jumps (a bad fix) is left uncharted and counted.
TEST_F(CliExport, AJumpingPositionIsLeftUncharted) {
    std::string pings = ReadAll(m_dir.File("run.pos.csv"));
    const std::string good = PositionFormat::UtcText(PositionRun::PingMs(40));
    const std::size_t line = pings.find("\n40,");
    const std::size_t latitude = pings.find(',', pings.find(',', line + 1) + 1) + 1;
    pings.replace(latitude, 3, "32.");  // a degree north: over 100 km in 100 ms
    WriteAll(m_dir.File("run.pos.csv"), pings);
    const CliResult r = Run(Export("--format csv"));
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_TRUE(Has(r.errors, "(1 of them jumping; exported with empty coordinates)")) << r.errors;
    EXPECT_EQ(Feature(m_dir.File("run.csv"), 40).at("flag"), "stale");
    EXPECT_EQ(Feature(m_dir.File("run.csv"), 41).at("flag"), "interpolated");
    // Every tenth ping: records 10 to 110 are placed, 40 not.
    ASSERT_EQ(Run(Export("--format xyz --every 10")).exitCode, 0);
    const std::string xyz = ReadAll(m_dir.File("run.xyz"));
    EXPECT_EQ(std::count(xyz.begin(), xyz.end(), '\n'), 10);
}

// A position file whose last line was cut short (the recorder killed while
// writing it) exports: that ping has no position.
TEST_F(CliExport, ALastLineCutShortIsDropped) {
    const std::string pings = ReadAll(m_dir.File("run.pos.csv"));
    WriteAll(m_dir.File("run.pos.csv"), pings.substr(0, pings.size() - 30));
    const CliResult r = Run(Export("--format csv"));
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_TRUE(Has(r.errors, "6 without position")) << r.errors;
    EXPECT_EQ(Feature(m_dir.File("run.csv"), kCount - 1).at("flag"), "none");
}

// Every fault: a message saying why, a non-zero exit, and nothing written.
TEST_F(CliExport, FaultsSayWhyAndLeaveNothingBehind) {
    const std::string out = m_dir.File("out.gpkg");
    struct Fault {
        const char* name;
        std::function<void()> prepare;
        std::string options;
        const char* says;
    };
    const std::string pos = ReadAll(m_dir.File("run.pos.csv"));
    const std::string fixes = ReadAll(m_dir.File("run.gnss.csv"));
    const auto restore = [&] { WriteAll(m_dir.File("run.pos.csv"), pos); };
    // The file with a line that is not one of its lines after its 30th.
    const auto damage = [](const std::string& path, const std::string& text) {
        std::size_t at = 0;
        for (int i = 0; i < 30; ++i) at = text.find('\n', at) + 1;
        WriteAll(path, text.substr(0, at) + "x,y\n" + text.substr(at));
    };
    const std::vector<Fault> faults = {
        {"no position files", [&] { std::filesystem::remove(m_dir.File("run.pos.csv")); },
         "--format gpkg --out " + out, "no position file"},
        {"damaged line", [&] { damage(m_dir.File("run.pos.csv"), pos); },
         "--format gpkg --out " + out, "damaged position file"},
        {"raw log damaged", [&] { restore(), damage(m_dir.File("run.gnss.csv"), fixes); },
         "--format gpkg --latency 0 --out " + out, "run.gnss.csv:"},
        {"unknown EPSG", [] {}, "--format gpkg --crs EPSG:999999 --out " + out,
         "not a coordinate system PROJ knows"},
        {"not projected", [] {}, "--format csv --crs EPSG:4326 --out " + out, "not a projected"},
        {"no recording", [] {}, "--format csv --crs EPSG:32651 --out " + out + " none.sd",
         "none.sd"},
        {"no folder", [] {}, "--format gpkg --out " + m_dir.File("none/out.gpkg"),
         "cannot write in this folder"},
        {"folder not writable", [] {}, "--format csv --out /proc/out.csv",
         "cannot write in this folder"},
        {"exists", [&] { WriteAll(out, "keep"); }, "--format gpkg --out " + out,
         "not overwritten without --force"},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        f.prepare();
        const std::vector<std::string> prepared = Names(m_dir);
        const CliResult r = Run(Export(f.options));
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(Has(r.errors, f.says)) << r.errors;
        EXPECT_EQ(Names(m_dir), prepared);
    }
    EXPECT_EQ(ReadAll(out), "keep");
    // A full disk, part way: the partial file goes.
    std::filesystem::remove(out);
    restore();
    for (const char* format : {"gpkg", "csv", "xyz"}) {
        FileSizeLimit full(2000);
        const CliResult r = Run(Export(std::string("--format ") + format + " --out " + out));
        full.Lift();
        EXPECT_NE(r.exitCode, 0) << format;
        EXPECT_TRUE(Has(r.errors, "writing failed")) << r.errors;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_EQ(Run(Export("--format gpkg --force --out " + out)).exitCode, 0);
}

// Interrupted (Ctrl-C, or told to end) part way: the partial file goes.
TEST(CliExportInterrupted, LeavesNothingBehind) {
    TempDir dir, logs;
    ASSERT_TRUE(PositionRun::Write(dir.File("long"), 400000));
    const std::vector<std::string> before = Names(dir);
    for (const int signal : {SIGINT, SIGTERM}) {
        BackgroundProcess cli({MAREVOX_CLI_PATH, "export", dir.File("long.sd"), "--format", "gpkg"},
                              logs.File("export.err"), true);
        ASSERT_TRUE(cli.Started());
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        EXPECT_EQ(cli.Stop(signal), 1) << signal;
        EXPECT_EQ(Names(dir), before);
    }
}

// A survey recorded through a real gpsd on the simulator's receiver
// exports to a GeoPackage with its pings placed, and placing them again
// with the settings it was recorded with gives the same places.
TEST(CliExportSurvey, ARecordedSurveyExportsAndPlacesAgainAsRecorded) {
    TempDir dir;
    GnssSession session(dir, "sim", {"--seed", "3"});
    ASSERT_TRUE(session.SimulatorReady());
    ASSERT_TRUE(session.StartGpsd());
    const std::string base = dir.File("survey");
    BackgroundProcess live({MAREVOX_CLI_PATH, "live", "--port", session.instrument, "--gpsd",
                            session.Endpoint(), "--record", base + ".sd"},
                           dir.File("live.json"));
    ASSERT_TRUE(live.Started());
    std::this_thread::sleep_for(std::chrono::seconds(12));
    EXPECT_EQ(live.Stop(), 0);
    const auto run = [&](const std::string& options) {
        return std::system(("TZ=UTC " + std::string(MAREVOX_CLI_PATH) + " export " + base + ".sd " +
                            options + " 2>>" + dir.File("export.err"))
                               .c_str());
    };
    ASSERT_EQ(run("--format gpkg"), 0) << ReadAll(dir.File("export.err"));
    ASSERT_EQ(run("--format csv --out " + dir.File("a.csv")), 0);
    ASSERT_EQ(run("--format csv --latency 0 --out " + dir.File("b.csv")), 0);
    const std::string summary = Output("ogrinfo -ro -so -al " + base + ".gpkg");
    EXPECT_TRUE(Has(summary, "UTM zone 51N")) << summary;
    // Latitude and longitude (the 4th and 5th columns) within 2 mm.
    const auto place = [](const std::string& line) {
        std::istringstream in(line);
        std::string field;
        double lat = std::nan(""), lon = std::nan("");
        for (int i = 0; std::getline(in, field, ',') && i < 5; ++i)
            if (i >= 3 && !field.empty()) (i == 3 ? lat : lon) = std::stod(field);
        return std::pair{lat, lon};
    };
    std::istringstream a(ReadAll(dir.File("a.csv"))), b(ReadAll(dir.File("b.csv")));
    std::size_t lines = 0, same = 0;
    std::string header;
    std::getline(a, header), std::getline(b, header);
    for (std::string x, y; std::getline(a, x) && std::getline(b, y); ++lines) {
        const auto [lat1, lon1] = place(x);
        const auto [lat2, lon2] = place(y);
        same += std::abs(lat1 - lat2) < 2e-8 && std::abs(lon1 - lon2) < 2e-8;
    }
    EXPECT_GT(lines, 50u);
    EXPECT_GT(same, lines * 9 / 10);  // the last pings may have been placed before their fix
}

}  // namespace
