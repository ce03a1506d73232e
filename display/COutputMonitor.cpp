#include "display/COutputMonitor.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

// --- The list -------------------------------------------------------------

void COutputMonitorModel::Add(const std::vector<OutputLog::Entry>& entries) {
    if (entries.empty()) return;
    beginResetModel();
    for (const OutputLog::Entry& entry : entries) {
        auto& kept = m_kept[static_cast<std::size_t>(entry.sink)];
        kept.push_back(entry);
        if (kept.size() > kKeep) kept.pop_front();
    }
    m_rows.clear();
    for (const auto& kept : m_kept) {
        for (const OutputLog::Entry& entry : kept) m_rows.push_back(&entry);
    }
    std::sort(m_rows.begin(), m_rows.end(),
              [](const OutputLog::Entry* a, const OutputLog::Entry* b) {
                  return a->sequence > b->sequence;  // newest first
              });
    endResetModel();
}

int COutputMonitorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int COutputMonitorModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant COutputMonitorModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const OutputLog::Entry& entry = At(index.row());
    switch (index.column()) {
        case kTime:
            return COutputMonitor::TimeText(entry.timeMs);
        case kSink:
            return COutputMonitor::SinkName(entry.sink);
        case kBytes:
            return COutputMonitor::VisibleBytes(entry.Bytes()) +
                   (entry.cut ? QStringLiteral("…") : QString());
        case kResult:
            return COutputMonitor::ResultName(entry.result);
        default:
            return {};
    }
}

QVariant COutputMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    switch (section) {
        case kTime:
            return COutputMonitor::tr("时间");
        case kSink:
            return COutputMonitor::tr("输出");
        case kBytes:
            return COutputMonitor::tr("内容");
        case kResult:
            return COutputMonitor::tr("结果");
        default:
            return {};
    }
}

// --- The window -------------------------------------------------------------

COutputMonitor::COutputMonitor(OutputLog& log, QWidget* parent) : QDialog(parent), m_log(log) {
    setObjectName(QStringLiteral("outputMonitor"));
    setWindowTitle(tr("输出监视"));
    m_table = new QTableView(this);
    m_table->setModel(&m_model);
    m_table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setSectionResizeMode(COutputMonitorModel::kBytes,
                                                      QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_counters = new QLabel(this);
    m_counters->setObjectName(QStringLiteral("counters"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(m_counters);
    resize(640, 360);
    connect(&m_refreshTimer, &QTimer::timeout, this, &COutputMonitor::Refresh);
}

COutputMonitor::~COutputMonitor() {
    m_log.SetWatching(false);
}

QString COutputMonitor::VisibleBytes(std::string_view bytes) {
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '\r':
                text += QStringLiteral("\\r");
                break;
            case '\n':
                text += QStringLiteral("\\n");
                break;
            case '\t':
                text += QStringLiteral("\\t");
                break;
            case '\\':
                text += QStringLiteral("\\\\");
                break;
            default:
                if (byte < 0x20 || byte >= 0x7F)
                    text += QString::asprintf("\\x%02X", byte);
                else
                    text += QLatin1Char(c);
        }
    }
    return text;
}

QString COutputMonitor::SinkName(OutputLog::Sink sink) {
    switch (sink) {
        case OutputLog::Sink::kSerial:
            return tr("水深输出串口");
        case OutputLog::Sink::kNetwork:
            return tr("网络");
        case OutputLog::Sink::kCompanion:
            return QStringLiteral("Kelvara");
    }
    return {};
}

QString COutputMonitor::ResultName(OutputLog::Result result) {
    switch (result) {
        case OutputLog::Result::kSent:
            return tr("已发送");
        case OutputLog::Result::kFailed:
            return tr("失败");
        case OutputLog::Result::kDropped:
            return tr("丢弃");
    }
    return {};
}

QString COutputMonitor::TimeText(std::int64_t timeMs) {
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString COutputMonitor::CountersText() const {
    const OutputLog::Counters counts = m_log.Count();
    QStringList parts;
    for (int s = 0; s < OutputLog::kSinkCount; ++s) {
        const auto& c = counts[static_cast<std::size_t>(s)];
        parts << tr("%1：已发送 %2，失败 %3，丢弃 %4")
                     .arg(SinkName(static_cast<OutputLog::Sink>(s)))
                     .arg(c[0])
                     .arg(c[1])
                     .arg(c[2]);
    }
    return parts.join(QStringLiteral("    "));
}

void COutputMonitor::Refresh() {
    m_taken.clear();
    m_log.Take(m_taken);
    m_model.Add(m_taken);
    m_counters->setText(CountersText());
}

void COutputMonitor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_log.SetWatching(true);
    Refresh();
    m_refreshTimer.start(kRefreshMs);
}

void COutputMonitor::hideEvent(QHideEvent* event) {
    m_refreshTimer.stop();
    m_log.SetWatching(false);
    QDialog::hideEvent(event);
}
