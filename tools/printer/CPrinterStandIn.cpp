#include "tools/printer/CPrinterStandIn.h"

#include <QRegularExpression>
#include <QSaveFile>
#include <QTcpSocket>
#include <QTextStream>
#include <cstdio>

#include "printing/EscpPicture.h"

namespace {

// The picture waits this long for the next job, so a burst of bands is
// drawn once.
constexpr int kDrawDelayMs = 300;

}  // namespace

CPrinterStandIn::CPrinterStandIn(const QDir& folder, QObject* parent)
    : QObject(parent), m_folder(folder), m_chart(folder.filePath(QStringLiteral("chart.prn"))) {
    m_lastJob = NextJobNumber() - 1;
    m_drawTimer.setSingleShot(true);
    m_drawTimer.setInterval(kDrawDelayMs);
    connect(&m_drawTimer, &QTimer::timeout, this, &CPrinterStandIn::DrawChart);
    connect(&m_server, &QTcpServer::newConnection, this, &CPrinterStandIn::Accept);
}

bool CPrinterStandIn::Listen(const QHostAddress& address, quint16 port, QString* error) {
    if (!m_chart.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1").arg(m_chart.fileName());
        return false;
    }
    if (!m_server.listen(address, port)) {
        *error = m_server.errorString();
        return false;
    }
    return true;
}

// Numbers go on after the jobs already in the folder, which are kept.
int CPrinterStandIn::NextJobNumber() const {
    static const QRegularExpression pattern(QStringLiteral("^job-(\\d+)\\.prn$"));
    int highest = 0;
    for (const QString& name : m_folder.entryList({QStringLiteral("job-*.prn")}, QDir::Files)) {
        const auto match = pattern.match(name);
        if (match.hasMatch()) highest = std::max(highest, match.captured(1).toInt());
    }
    return highest + 1;
}

void CPrinterStandIn::Accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        Job job;
        job.number = ++m_lastJob;
        job.file = std::make_unique<QFile>(m_folder.filePath(
            QStringLiteral("job-%1.prn").arg(job.number, 4, 10, QLatin1Char('0'))));
        if (!job.file->open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::fprintf(stderr, "marevox-printer: cannot write %s\n",
                         qPrintable(job.file->fileName()));
        m_jobs.emplace(socket, std::move(job));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Receive(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Finish(socket); });
        Receive(socket);
    }
}

void CPrinterStandIn::Receive(QTcpSocket* socket) {
    auto found = m_jobs.find(socket);
    if (found == m_jobs.end()) return;
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty()) return;
    Job& job = found->second;
    job.bytes += bytes;
    if (job.file->isOpen()) {
        job.file->write(bytes);
        job.file->flush();
    }
}

void CPrinterStandIn::Finish(QTcpSocket* socket) {
    Receive(socket);
    auto found = m_jobs.find(socket);
    if (found == m_jobs.end()) return;
    Job job = std::move(found->second);
    m_jobs.erase(found);
    socket->deleteLater();
    job.file->close();
    m_chart.write(job.bytes);
    m_chart.flush();
    m_page.Feed(reinterpret_cast<const std::uint8_t*>(job.bytes.constData()),
                static_cast<std::size_t>(job.bytes.size()));
    std::printf("job %d: %lld bytes\n", job.number, static_cast<long long>(job.bytes.size()));
    std::fflush(stdout);
    m_drawTimer.start();
}

void CPrinterStandIn::DrawChart() {
    const EscpPicture picture = DrawEscpPage(m_page);
    // Written whole, so a viewer never opens half a picture.
    QSaveFile file(m_folder.filePath(QStringLiteral("chart.png")));
    if (!file.open(QIODevice::WriteOnly) || !picture.image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "marevox-printer: cannot write %s\n", qPrintable(file.fileName()));
        return;
    }
    if (picture.unknownBytes > 0)
        std::printf("chart.png: %zu bytes not understood\n", picture.unknownBytes);
    std::fflush(stdout);
}
