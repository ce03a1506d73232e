// The depth output's NMEA sentences as a standard NMEA client takes them:
// gpsd (Debian's package) reads the depth-output line on a pseudo-terminal.
// gpsd decodes the depth of SDDBT (below the transducer) only when the
// sentence carries its checksum: without one its decoder finds the sentence
// "too short". SDDPT it takes as a sentence (a wrong checksum would make it
// drop it), but it has no decoder for its depth.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/DepthOutput.h"
#include "app/Settings.h"
#include "tests/support/FakeHost.h"
#include "tests/support/LinkTestSupport.h"

namespace {

// The far end of the depth-output line: what the output port sends comes
// out of the pseudo-terminal whose other side gpsd reads.
class LineToTerminal : public SerialEndpoint {
public:
    explicit LineToTerminal(PseudoTerminal& pty) : m_pty(pty) {}
    void SendBytes(const std::uint8_t* bytes, std::size_t length) override {
        m_pty.WriteAll(std::string(reinterpret_cast<const char*>(bytes), length));
    }
    std::uint32_t TakeReceived(std::uint8_t* destination) override {
        destination[0] = 0;
        return 0;
    }

private:
    PseudoTerminal& m_pty;
};

// A loopback TCP port nobody listens on at the moment.
int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(s);
    return ntohs(address.sin_port);
}

// gpsd in the foreground on one device, read-only (it sends no probes),
// with a control socket and client port of its own, logging what it takes
// from the device and decodes.
class Gpsd {
public:
    Gpsd(const QTemporaryDir& dir, const std::string& device)
        : m_log(dir.filePath(QStringLiteral("gpsd.log")).toStdString()),
          m_process({GPSD_PATH, "-N", "-n", "-b", "-D", "6", "-F",
                     dir.filePath(QStringLiteral("control")).toStdString(), "-S",
                     std::to_string(FreePort()), device},
                    m_log, true) {}

    bool Started() const { return m_process.Started(); }
    // Once gpsd has opened the device and finished probing it (changing the
    // line settings while probing drops what has arrived).
    bool Ready() const { return !Lines("activated GPS").empty(); }
    // The depths gpsd decoded, in order.
    std::vector<double> Depths() const {
        std::vector<double> depths;
        for (const std::string& line : Lines("NMEA0183: mode ")) {
            int mode = 0;
            double depth = 0.0;
            const std::size_t at = line.find("NMEA0183: mode ");
            if (std::sscanf(line.c_str() + at, "NMEA0183: mode %d, depth %lf", &mode, &depth) == 2)
                depths.push_back(depth);
        }
        return depths;
    }
    // The depth sentences gpsd took from the device as NMEA packets (it
    // drops those with a wrong checksum).
    std::vector<std::string> Sentences() const {
        std::vector<std::string> sentences;
        const std::string mark = "<= GPS: ";
        for (std::string line : Lines(mark + "$SD")) {
            line = line.substr(line.find(mark) + mark.size());
            if (!line.empty() && line.back() == '\r') line.pop_back();
            sentences.push_back(line);
        }
        return sentences;
    }

private:
    std::vector<std::string> Lines(const std::string& part) const {
        std::vector<std::string> found;
        for (const std::string& line : ReadLines(m_log))
            if (line.find(part) != std::string::npos) found.push_back(line);
        return found;
    }

    std::string m_log;
    BackgroundProcess m_process;
};

class GpsdDepthTest : public EngineTest {
protected:
    GpsdDepthTest() : output(engine, settings, dir.filePath(QStringLiteral("Kelvara"))) {
        output.OutputPort().Set(&line);
    }
    ~GpsdDepthTest() override { output.OutputPort().Set(nullptr); }

    // The depth output's bytes for a smoothed depth and draft.
    std::string Send(int depType, double depth, double draft) {
        settings.m_depType.store(depType);
        engine.SetSmoothedDepth(depth);
        engine.Sounding().SetDraft(draft);
        return output.OutputDepth();
    }

    QTemporaryDir dir;
    PseudoTerminal pty;
    LineToTerminal line{pty};
    AppSettings settings;
    DepthOutput output;
};

// Depths and drafts of a survey: shallow, deep, draft deeper than the
// water, a depth on whole metres, a checksum below 0x10.
const std::vector<std::pair<double, double>> kSoundings = {
    {12.345, 0.5}, {3.05, 0.0}, {0.4, 0.5}, {57.91, 1.2}, {8.0, 2.75}, {199.99, 0.0}, {3.07, 0.0}};

// The metres field of an SDDBT sentence: the depth the program reports.
double ReportedMetres(const std::string& sddbt) {
    double feet = 0.0, metres = -1.0;
    std::sscanf(sddbt.c_str(), "$SDDBT,%lf,f,%lf,M", &feet, &metres);
    return metres;
}

}  // namespace

TEST_F(GpsdDepthTest, WithTheChecksumGpsdReportsEveryDepthSent) {
    settings.SetNmeaChecksum(true);
    Gpsd gpsd(dir, pty.Path());
    ASSERT_TRUE(gpsd.Started());
    ASSERT_TRUE(RunUntil([&] { return gpsd.Ready(); }, 10000));

    std::vector<double> reported;
    for (const auto& [depth, draft] : kSoundings) {
        const std::string sentence = Send(3, depth, draft);
        reported.push_back(ReportedMetres(sentence));
        ASSERT_TRUE(RunUntil([&] { return gpsd.Depths().size() == reported.size(); }, 5000))
            << "gpsd did not decode " << sentence;
    }
    const std::vector<double> decoded = gpsd.Depths();
    for (std::size_t i = 0; i < reported.size(); ++i)
        EXPECT_DOUBLE_EQ(decoded[i], reported[i]) << i;
    EXPECT_DOUBLE_EQ(reported[0], 11.84);
    EXPECT_DOUBLE_EQ(reported[2], 0.0);

    // SDDPT: taken whole, checksum and all (a wrong one drops the packet).
    std::vector<std::string> sent;
    for (double depth : {12.345, 0.4, 150.5}) {
        std::string sentence = Send(4, depth, 0.5);
        sentence.resize(sentence.size() - 2);  // the log shows it without CR LF
        sent.push_back(sentence);
        ASSERT_TRUE(RunUntil(
            [&] { return gpsd.Sentences().size() == reported.size() + sent.size(); }, 5000))
            << "gpsd did not take " << sentence;
    }
    const std::vector<std::string> taken = gpsd.Sentences();
    EXPECT_EQ(std::vector<std::string>(taken.end() - 3, taken.end()), sent);
}

TEST_F(GpsdDepthTest, WithoutTheChecksumGpsdReportsNone) {
    Gpsd gpsd(dir, pty.Path());
    ASSERT_TRUE(gpsd.Started());
    ASSERT_TRUE(RunUntil([&] { return gpsd.Ready(); }, 10000));

    for (const auto& [depth, draft] : kSoundings) {
        EXPECT_EQ(Send(3, depth, draft).find('*'), std::string::npos);
        EXPECT_EQ(Send(4, depth, draft).find('*'), std::string::npos);
        RunUntil([] { return false; }, 100);
    }
    // gpsd reads every sentence but decodes no depth from any.
    ASSERT_TRUE(RunUntil([&] { return gpsd.Sentences().size() == 2 * kSoundings.size(); }, 5000));
    EXPECT_TRUE(gpsd.Depths().empty());

    // gpsd was listening all along: the same line with the option turned on
    // is decoded at once.
    settings.SetNmeaChecksum(true);
    Send(3, 12.345, 0.5);
    ASSERT_TRUE(RunUntil([&] { return !gpsd.Depths().empty(); }, 5000));
    EXPECT_DOUBLE_EQ(gpsd.Depths()[0], 11.84);
}
