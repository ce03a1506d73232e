// marevox-printer: a stand-in for the chart printer's network port. CUPS
// sends each raw job to it (device socket://127.0.0.1:9100); it keeps the
// bytes and draws the chart as a picture.
#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QHostAddress>
#include <cstdio>

#include "tools/printer/CPrinterStandIn.h"

int main(int argc, char** argv) {
    // Fonts need a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("marevox-printer"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Takes each connection as one printer job: the bytes go to FOLDER/job-NNNN.prn,\n"
        "all jobs of the run to FOLDER/chart.prn, and the chart so far to FOLDER/chart.png."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"), QStringLiteral("TCP port (default 9100)."),
                      QStringLiteral("N"), QStringLiteral("9100")});
    parser.addOption({QStringLiteral("address"),
                      QStringLiteral("Address to listen on (default 127.0.0.1)."),
                      QStringLiteral("IP"), QStringLiteral("127.0.0.1")});
    parser.addOption(
        {QStringLiteral("out"),
         QStringLiteral("Folder for the jobs and the picture (default printer-output)."),
         QStringLiteral("FOLDER"), QStringLiteral("printer-output")});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&portOk);
    const QHostAddress address(parser.value(QStringLiteral("address")));
    if (!portOk || port > 65535 || address.isNull()) {
        std::fprintf(stderr, "marevox-printer: bad --port or --address\n");
        return 2;
    }
    const QString folder = parser.value(QStringLiteral("out"));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "marevox-printer: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    CPrinterStandIn standIn{QDir(folder)};
    QString error;
    if (!standIn.Listen(address, static_cast<quint16>(port), &error)) {
        std::fprintf(stderr, "marevox-printer: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("marevox-printer: listening on %s:%u, jobs in %s\n", qPrintable(address.toString()),
                standIn.Port(), qPrintable(QDir(folder).absolutePath()));
    std::fflush(stdout);
    return app.exec();
}
