#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the thread that owns
// this object, so that a program asked to end closes its files as when it
// ends by itself. One instance per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the signals could not be caught (the system's defaults stay).
    bool Watching() const { return m_notifier != nullptr; }

signals:
    void Received(int signal);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
