#include "app/CHelmDisplay.h"

#include <QDateTime>
#include <QHostAddress>

#include "helm/CHelmDialog.h"
#include "helm/HelmFeed.h"
#include "settings/AppSettings.h"
#include "survey/FixHistory.h"

CHelmDisplay::CHelmDisplay(AppSettings& settings, const HelmFeed& feed, const FixHistory* fixes,
                           QObject* parent)
    : QObject(parent), m_settings(settings), m_feed(feed), m_fixes(fixes) {}

CHelmDisplay::~CHelmDisplay() {
    delete m_dialog.data();
}

bool CHelmDisplay::ApplySettings() {
    if (m_settings.m_helmOn == 0) {
        m_server.Stop();
        return true;
    }
    QHostAddress address(QString::fromStdString(m_settings.m_helmAddress));
    // An address that is not one leaves the page on this machine only.
    if (address.isNull()) address = QHostAddress::LocalHost;
    const int port = m_settings.m_helmPort;
    if (m_server.Running() && m_server.Address() == address && m_server.Port() == port) return true;
    return m_server.Start(address, static_cast<quint16>(port));
}

void CHelmDisplay::ShowDialog(QWidget* parent) {
    if (!m_dialog) {
        const CHelmDialog::Choice current{m_settings.m_helmOn != 0,
                                          QString::fromStdString(m_settings.m_helmAddress),
                                          m_settings.m_helmPort};
        m_dialog = new CHelmDialog(
            m_server, current,
            [this](const CHelmDialog::Choice& choice) {
                m_settings.m_helmOn = choice.on ? 1 : 0;
                m_settings.m_helmAddress = choice.address.toStdString();
                m_settings.m_helmPort = choice.port;
                ApplySettings();
            },
            parent);
    }
    m_dialog->show();
    m_dialog->raise();
}

void CHelmDisplay::Feed(double smoothedDepth, bool live) {
    if (!m_server.Running()) return;
    m_state.depthMetres = smoothedDepth;
    m_state.depthTimeMs = QDateTime::currentMSecsSinceEpoch();
    m_state.live = live;
    EchoColumn column;
    if (m_feed.NewerColumn(m_lastColumn, &column)) {
        m_lastColumn = column.serial;
        m_server.PublishColumn(column);
    }
    Publish();
}

void CHelmDisplay::SetAlarm(const QString& name) {
    m_state.alarm = name.toStdString();
    Publish();
}

void CHelmDisplay::SetUnit(const QString& name, double metresPerUnit) {
    m_state.unit = name.toStdString();
    m_state.metresPerUnit = metresPerUnit;
    Publish();
}

void CHelmDisplay::Publish() {
    if (!m_server.Running()) return;
    m_state.fix.reset();
    if (m_fixes != nullptr && m_fixes->Count() > 0) m_state.fix = m_fixes->Latest();
    m_server.Publish(m_state);
}
