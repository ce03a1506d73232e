#pragma once

#include <QDir>
#include <QFile>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <memory>
#include <unordered_map>

#include "printing/EscpPage.h"

class QTcpSocket;

// A network printer's raw port for the chart: every connection is one job.
// Each job's bytes go to job-NNNN.prn in the output folder as they arrive;
// once a job is complete its bytes are added to chart.prn (all jobs of this
// run, in order) and chart.png shows the chart printed so far.
class CPrinterStandIn : public QObject {
    Q_OBJECT
public:
    explicit CPrinterStandIn(const QDir& folder, QObject* parent = nullptr);

    // False, with the reason, when the port cannot be listened on.
    bool Listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const { return m_server.serverPort(); }

private:
    struct Job {
        int number = 0;
        std::unique_ptr<QFile> file;
        QByteArray bytes;
    };

    void Accept();
    void Receive(QTcpSocket* socket);
    void Finish(QTcpSocket* socket);
    void DrawChart();
    int NextJobNumber() const;

    QDir m_folder;
    QTcpServer m_server;
    std::unordered_map<QTcpSocket*, Job> m_jobs;
    int m_lastJob = 0;
    QFile m_chart;
    EscpPage m_page;
    QTimer m_drawTimer;
};
