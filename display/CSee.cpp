#include "display/CSee.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <chrono>

#include "display/DepthDigits.h"
#include "display/EchoColourTable.h"
#include "display/MarkLabelFont.h"
#include "engine/XSound.h"

namespace {

// The 800 x 600 screen the monitor's place was laid out on.
constexpr int kLayoutScreenHeight = 600;
constexpr int kLayoutTop = 412;

// Bold "宋体" whose character cell is kDepthFontHeight pixels high.
QFont DepthFont() {
    InstallChineseFontSubstitutions();
    QFont font(QStringLiteral("SimSun"));
    font.setWeight(QFont::Bold);
    font.setPixelSize(CSee::kDepthFontHeight);
    const int cell = QFontMetrics(font).height();
    if (cell > 0)
        font.setPixelSize(std::max(1, CSee::kDepthFontHeight * CSee::kDepthFontHeight / cell));
    return font;
}

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CSee::CSee(XSound& engine, LinkQuery connected, QWidget* parent)
    : QDialog(parent),
      m_engine(engine),
      m_connected(std::move(connected)),
      m_clock(SteadyMilliseconds) {
    setObjectName(QStringLiteral("depthMonitor"));
    SetUnit(DepthUnit::kMetres);
    setFixedSize(kClientWidth, kClientHeight);
    setAttribute(Qt::WA_DeleteOnClose);

    m_depthField = new DepthDigits(this);
    m_depthField->setObjectName(QStringLiteral("depth"));
    m_depthField->setGeometry(0, 32, 214, 86);
    m_depthField->setFont(DepthFont());

    m_timeField = new QLineEdit(this);
    m_timeField->setObjectName(QStringLiteral("time"));
    m_timeField->setGeometry(24, 2, 168, 24);
    m_timeField->setReadOnly(true);
    m_timeField->setFrame(false);

    connect(&m_monitorTimer, &QTimer::timeout, this, &CSee::MonitorTick);
    m_monitorTimer.start(kMonitorPeriodMs);
}

QString CSee::FormatDepth(double metres) {
    return QString::fromStdString(DepthUnits::MonitorText(metres, DepthUnit::kMetres));
}

QPoint CSee::Place(const QRect& screen, const QRect& available, int frameHeight) {
    const int fromBottom = kLayoutScreenHeight - kLayoutTop;
    int top = screen.bottom() + 1 - fromBottom;
    top = std::min(top, available.bottom() + 1 - frameHeight);
    top = std::max(top, available.top());
    return {available.left(), top};
}

QString CSee::AgeText(std::int64_t milliseconds) {
    const std::int64_t seconds = milliseconds / 1000;
    if (seconds < 60) return tr("%1 秒").arg(seconds);
    if (seconds < 3600) return tr("%1 分钟").arg(seconds / 60);
    return tr("%1 小时").arg(seconds / 3600);
}

void CSee::SetUnit(DepthUnit unit) {
    m_unit = unit;
    // The caption is padded so that the title sits at the left of a wide
    // title bar.
    switch (unit) {
        case DepthUnit::kFeet:
            setWindowTitle(tr("水深 (英尺)                                            "));
            break;
        case DepthUnit::kFathoms:
            setWindowTitle(tr("水深 (英寻)                                            "));
            break;
        case DepthUnit::kMetres:
            setWindowTitle(tr("水深 (米)                                              "));
            break;
    }
    if (m_depthText.isEmpty()) return;
    m_depthText = QString::fromStdString(DepthUnits::MonitorText(m_depthMetres, m_unit));
    ShowDepth();
}

void CSee::SetAlarm(bool raised) {
    if (raised == m_alarm) return;
    m_alarm = raised;
    QPalette look = palette();
    if (raised) {
        look.setColor(QPalette::Window, kAlarmBack);
    } else {
        look = QPalette();
    }
    setPalette(look);
    setAutoFillBackground(raised);
    ShowDepth();
}

void CSee::SetColourScheme(ColourScheme scheme) {
    m_scheme = scheme;
    ShowDepth();
}

void CSee::mousePressEvent(QMouseEvent* event) {
    emit Clicked();
    QDialog::mousePressEvent(event);
}

void CSee::UpdateDepthText(double smoothedDepth) {
    if (!m_engine.View().AutoAdjust()) return;
    m_depthMetres = smoothedDepth;
    m_depthText = QString::fromStdString(DepthUnits::MonitorText(smoothedDepth, m_unit));
    m_depthAt = m_clock();
    m_depthLive = m_engine.IsLive();
    ShowDepth();
}

void CSee::ShowDepth() {
    const bool live = m_engine.IsLive();
    if (m_depthText.isEmpty() || live != m_depthLive || (live && !m_connected())) {
        m_depthField->Show({}, {}, {});
        return;
    }
    const std::int64_t age = m_clock() - m_depthAt;
    if (live && age > kStaleAfterMs) {
        m_depthField->ShowStale(m_depthText, AgeText(age));
        return;
    }
    // The colours are read at each update; only the character cells take
    // the background colour. The field repaints only when the digits or
    // the colours differ from what it shows.
    if (m_alarm) {
        m_depthField->Show(m_depthText, kAlarmBack, kAlarmText);
        return;
    }
    const auto shown = [this](int key) {
        return QColor(ColourWordToRgb(ColourSchemes::Word(
            m_scheme, key, m_engine.Sounding().Colour(static_cast<ColourKey>(key)))));
    };
    m_depthField->Show(m_depthText, shown(XSound::kSeeBack), shown(XSound::kSeeEdit));
}

void CSee::MonitorTick() {
    if (!m_engine.View().AutoAdjust()) return;
    const bool live = m_engine.IsLive();
    const QDateTime time =
        live ? QDateTime::currentDateTime() : QDateTime::fromSecsSinceEpoch(m_engine.PingTime());
    const QString text = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // The clock moves once a second; the field is redrawn only then.
    if (text != m_timeField->text()) m_timeField->setText(text);
    ShowDepth();
}

QString CSee::TimeText() const {
    return m_timeField->text();
}

void CSee::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_placed) MoveToPlace();
}

void CSee::MoveToPlace() {
    m_placed = true;
    const QScreen* where = parentWidget() != nullptr ? parentWidget()->screen() : screen();
    if (where == nullptr) return;
    const int frameHeight = std::max(frameGeometry().height(), height());
    move(Place(where->geometry(), where->availableGeometry(), frameHeight));
}
