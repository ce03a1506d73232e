// marevox-cli chart FILE.sd [--ini FILE] --out OUT.prn [--png OUT.png]: the
// paper chart of a recording as the program prints it, with printing
// started before the first record and stopped after the last.
#include <QGuiApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/EngineMessages.h"
#include "app/Settings.h"
#include "display/PingColumnPainter.h"
#include "engine/Replay.h"
#include "engine/XSound.h"
#include "printing/ChartPrinter.h"
#include "printing/EscpPage.h"
#include "printing/EscpPicture.h"
#include "tools/cli/CliSettings.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/common/CliArgs.h"

namespace {

// The printer: every document, in order, into one file.
class FileSpooler : public ChartSpooler {
public:
    bool OpenPrinter() override { return true; }
    void Submit(std::vector<std::uint8_t> document) override {
        m_bytes.insert(m_bytes.end(), document.begin(), document.end());
        ++m_documents;
    }
    void DocumentFailed() override { ++m_failed; }

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    int Failed() const { return m_failed; }
    int Documents() const { return m_documents; }

private:
    std::vector<std::uint8_t> m_bytes;
    int m_documents = 0;
    int m_failed = 0;
};

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool WritePicture(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // Fonts need a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "marevox-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    EscpPage page;
    page.Feed(bytes.data(), bytes.size());
    const EscpPicture picture = DrawEscpPage(page);
    if (picture.unknownBytes > 0)
        std::fprintf(stderr, "marevox-cli chart: %zu bytes not understood by the preview\n",
                     picture.unknownBytes);
    return picture.image.save(QString::fromStdString(path), "PNG");
}

}  // namespace

int CmdChart(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {});
    std::string problem = args.Error();
    if (problem.empty() && !args.Unknown({"ini", "out", "png"}).empty())
        problem = "unknown option --" + args.Unknown({"ini", "out", "png"});
    if (problem.empty() && args.Positional().size() != 1)
        problem = "one recording (FILE.sd) is needed";
    if (problem.empty() && !args.Value("out")) problem = "--out OUT.prn is needed";
    if (!problem.empty()) {
        std::fprintf(stderr,
                     "marevox-cli chart: %s\nusage: marevox-cli chart FILE.sd [--ini FILE] "
                     "--out OUT.prn [--png OUT.png]\n",
                     problem.c_str());
        return 2;
    }
    XSound engine;
    AppSettings settings;
    if (!LoadSettingsOption(args, "chart", engine, settings)) return 1;

    FileSpooler spooler;
    std::atomic<bool> headerDue{false};
    ChartPrinter printer(engine, spooler, headerDue);
    printer.Start();
    // The echogram's own column code decides what each ping hands to the
    // chart; nothing is drawn.
    PingColumnPainter columns(&printer);
    QImage nowhere;
    const EngineStatus opened =
        ReplayRecording(engine, args.Positional()[0], [&](std::uint32_t record, bool ok) {
            // Playback idles before the last record and never draws it.
            if (ok && record + 1 < engine.RecordTotal()) columns.Draw(engine, nowhere, nullptr, 0);
        });
    printer.Stop();
    if (!opened.Ok()) {
        std::fprintf(stderr, "marevox-cli chart: %s\n", EngineMessageText(opened).c_str());
        return 1;
    }
    if (spooler.Failed() > 0)
        std::fprintf(stderr, "marevox-cli chart: %d headers could not be written in GBK\n",
                     spooler.Failed());
    const std::string out = *args.Value("out");
    if (!WriteFile(out, spooler.Bytes())) {
        std::fprintf(stderr, "marevox-cli chart: cannot write %s\n", out.c_str());
        return 1;
    }
    if (auto png = args.Value("png"); png && !WritePicture(*png, spooler.Bytes())) {
        std::fprintf(stderr, "marevox-cli chart: cannot write %s\n", png->c_str());
        return 1;
    }
    JsonWriter summary;
    summary.Int("documents", spooler.Documents()).UInt("bytes", spooler.Bytes().size());
    std::printf("%s\n", summary.Line().c_str());
    return 0;
}
