#include "display/COutputMonitor.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

// --- The list -------------------------------------------------------------

void COutputMonitorModel::Add(const std::vector<OutputLog::Entry>& entries) {
    if (entries.empty()) return;
    beginInsertRows({}, 0, static_cast<int>(entries.size()) - 1);
    for (const OutputLog::Entry& entry : entries) {
        m_rows.push_front(entry);
        ++m_kept[static_cast<std::size_t>(entry.sink)];
    }
    endInsertRows();
    for (std::size_t sink = 0; sink < std::size(m_kept); ++sink) {
        // The oldest of the sink are near the bottom.
        for (auto row = static_cast<int>(m_rows.size()) - 1; m_kept[sink] > kKeep && row >= 0;
             --row) {
            if (static_cast<std::size_t>(m_rows[static_cast<std::size_t>(row)].sink) != sink)
                continue;
            beginRemoveRows({}, row, row);
            m_rows.erase(m_rows.begin() + row);
            --m_kept[sink];
            endRemoveRows();
        }
    }
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
    auto* copy = new QAction(m_table);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &COutputMonitor::CopySelection);
    m_table->addAction(copy);
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

QString COutputMonitor::SelectedText() const {
    QStringList lines;
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    QList<int> numbers;
    for (const QModelIndex& row : rows) numbers << row.row();
    std::sort(numbers.begin(), numbers.end());
    for (int row : numbers) {
        QStringList cells;
        for (int column = 0; column < COutputMonitorModel::kColumnCount; ++column)
            cells << m_model.data(m_model.index(row, column), Qt::DisplayRole).toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void COutputMonitor::CopySelection() const {
    QGuiApplication::clipboard()->setText(SelectedText());
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
