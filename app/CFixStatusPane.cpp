#include "app/CFixStatusPane.h"

#include <QDateTime>

#include "link/PositionSource.h"
#include "survey/Fix.h"

namespace {

QString QualityText(FixQuality quality) {
    switch (quality) {
        case FixQuality::k2D:
            return QStringLiteral("2D");
        case FixQuality::k3D:
            return QStringLiteral("3D");
        case FixQuality::kDgps:
            return QStringLiteral("DGPS");
        case FixQuality::kRtkFloat:
            return CFixStatusPane::tr("RTK浮点");
        case FixQuality::kRtkFixed:
            return CFixStatusPane::tr("RTK固定");
        case FixQuality::kNone:
            break;
    }
    return CFixStatusPane::tr("无定位");
}

}  // namespace

CFixStatusPane::CFixStatusPane(const PositionSource& source, QWidget* parent)
    : CStatusPane(tr("定位：RTK固定 12星 0.0秒"), parent), m_source(source) {
    connect(&m_timer, &QTimer::timeout, this, &CFixStatusPane::Refresh);
    m_timer.start(250);
    Refresh();
}

void CFixStatusPane::Refresh() {
    const bool shown = m_source.Current().kind != PositionSource::Config::Kind::kNone;
    if (shown) ShowText(Text(QDateTime::currentMSecsSinceEpoch()));
    setVisible(shown);
}

QString CFixStatusPane::Text(std::int64_t nowMs) const {
    const PositionSource::Config& config = m_source.Current();
    const bool gpsd = config.kind == PositionSource::Config::Kind::kGpsd;
    switch (m_source.CurrentState()) {
        case PositionSource::State::kNone:
            return {};
        case PositionSource::State::kConnecting:
            return gpsd ? tr("定位：正在连接gpsd") : tr("定位：正在打开串口");
        case PositionSource::State::kUnreachable:
            return gpsd ? tr("定位：gpsd未运行或无法连接（%1:%2）")
                              .arg(QString::fromStdString(config.gpsd.host),
                                   QString::fromStdString(config.gpsd.port))
                        : tr("定位：无法打开串口 %1").arg(config.serialDevice);
        case PositionSource::State::kReceiving:
            break;
    }
    const std::optional<Fix> fix = m_source.History().Latest();
    if (!fix) return tr("定位：无定位（尚未收到）");
    const double age = static_cast<double>(nowMs - fix->receivedMs) / 1000.0;
    QString text = tr("定位：%1").arg(QualityText(fix->quality));
    if (fix->quality != FixQuality::kNone && fix->satellites >= 0)
        text += tr(" %1星").arg(fix->satellites);
    text += tr(" %1秒").arg(age, 0, 'f', 1);
    if (nowMs - fix->receivedMs > kStaleMs) text += tr(" 过时");
    return text;
}
