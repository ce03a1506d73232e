#include "dialogs/CExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstring>

namespace {

constexpr ExportFormat kFormats[] = {ExportFormat::kGeoPackage, ExportFormat::kShapefile,
                                     ExportFormat::kGeoJson,    ExportFormat::kKml,
                                     ExportFormat::kCsv,        ExportFormat::kXyz};
constexpr const char* kFormatNames[] = {"GeoPackage (*.gpkg)", "Shapefile (*.shp)",
                                        "GeoJSON (*.geojson)", "KML (*.kml)",
                                        "CSV (*.csv)",         "XYZ (*.xyz)"};

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
QString Shown(const std::string& path) {
    return QDir::toNativeSeparators(QFile::decodeName(path.c_str()));
}

// A line edit with a button beside it.
QWidget* WithButton(QLineEdit* edit, QPushButton* button) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(button);
    return row;
}

}  // namespace

CExportDialog::CExportDialog(ExportChoices& choices, const QString& recording, QWidget* parent)
    : QDialog(parent), m_choices(choices) {
    setWindowTitle(tr("导出"));
    auto* form = new QFormLayout;
    m_recording = new QLineEdit(QDir::toNativeSeparators(recording));
    auto* chooseRecording = new QPushButton(tr("选择..."));
    form->addRow(tr("记录文件"), WithButton(m_recording, chooseRecording));
    m_format = new QComboBox;
    for (const char* name : kFormatNames) m_format->addItem(QString::fromLatin1(name));
    m_format->setCurrentIndex(choices.format);
    form->addRow(tr("格式"), m_format);
    m_crs = new QComboBox;
    m_crs->setEditable(true);
    m_crs->addItem(QStringLiteral("utm"));
    m_crs->setToolTip(tr("utm：第一个位置所在的 UTM 带；或 EPSG:代码（投影坐标系）"));
    m_crs->setCurrentText(choices.crs);
    form->addRow(tr("坐标系"), m_crs);
    m_again = new QCheckBox(tr("按原始定位记录重新计算位置，定位延迟（毫秒）"));
    m_latency = new QSpinBox;
    m_latency->setRange(-1000, 10000);
    m_again->setChecked(choices.latencyMs.has_value());
    m_latency->setValue(choices.latencyMs.value_or(0));
    auto* again = new QWidget;
    auto* againLayout = new QHBoxLayout(again);
    againLayout->setContentsMargins(0, 0, 0, 0);
    againLayout->addWidget(m_again, 1);
    againLayout->addWidget(m_latency);
    form->addRow(QString(), again);
    m_output = new QLineEdit;
    auto* chooseOutput = new QPushButton(tr("浏览..."));
    form->addRow(tr("输出文件"), WithButton(m_output, chooseOutput));
    m_progress = new QProgressBar;
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_status = new QLabel;
    m_status->setWordWrap(true);
    auto* buttons = new QDialogButtonBox;
    m_start = buttons->addButton(tr("导出"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(chooseRecording, &QPushButton::clicked, this, &CExportDialog::ChooseRecording);
    connect(chooseOutput, &QPushButton::clicked, this, &CExportDialog::ChooseOutput);
    connect(m_format, &QComboBox::currentIndexChanged, this, &CExportDialog::SuggestOutput);
    connect(m_recording, &QLineEdit::editingFinished, this, &CExportDialog::SuggestOutput);
    // The buttons act themselves: 导出 keeps the dialog open to show the progress.
    disconnect(buttons, nullptr, this, nullptr);
    connect(m_start, &QPushButton::clicked, this, &CExportDialog::Start);
    connect(m_cancel, &QPushButton::clicked, this, &CExportDialog::CancelOrClose);
    SuggestOutput();
}

CExportDialog::~CExportDialog() {
    m_cancelAsked = true;
    if (m_worker.joinable()) m_worker.join();
}

void CExportDialog::ChooseRecording() {
    const QString path = QFileDialog::getOpenFileName(this, tr("选择记录文件"), m_recording->text(),
                                                      tr("记录文件 (*.sd)"));
    if (path.isEmpty()) return;
    m_recording->setText(QDir::toNativeSeparators(path));
    m_output->clear();
    SuggestOutput();
}

void CExportDialog::ChooseOutput() {
    // Replacing a file is confirmed when the export starts.
    const QString path =
        QFileDialog::getSaveFileName(this, tr("输出文件"), m_output->text(),
                                     QString::fromLatin1(kFormatNames[m_format->currentIndex()]),
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) m_output->setText(QDir::toNativeSeparators(path));
}

// The recording's name with the format's ending, in the folder used last.
void CExportDialog::SuggestOutput() {
    const QFileInfo recording(QDir::fromNativeSeparators(m_recording->text()));
    const QString ending = QString::fromLatin1(
        FormatInfo(kFormats[m_format->currentIndex()]).extension.data(),
        static_cast<qsizetype>(FormatInfo(kFormats[m_format->currentIndex()]).extension.size()));
    QString folder = m_choices.folder.isEmpty() ? recording.absolutePath() : m_choices.folder;
    QString name = recording.completeBaseName().section(QLatin1Char('.'), 0, 0);
    if (!m_output->text().isEmpty()) {
        const QFileInfo current(QDir::fromNativeSeparators(m_output->text()));
        folder = current.absolutePath();
        name = current.completeBaseName();
    }
    if (name.isEmpty()) return;
    m_output->setText(QDir::toNativeSeparators(folder + QLatin1Char('/') + name + ending));
}

void CExportDialog::SetIdle(bool idle) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_recording, m_output, m_format, m_crs,
                                                      m_again, m_latency, m_start})
        w->setEnabled(idle);
}

void CExportDialog::Start() {
    if (m_worker.joinable() && !m_finished) return;
    if (m_worker.joinable()) m_worker.join();
    if (m_recording->text().trimmed().isEmpty() || m_output->text().trimmed().isEmpty()) {
        m_status->setText(tr("请选择记录文件和输出文件"));
        return;
    }
    ExportRequest request;
    request.recordings = {Local(QDir::fromNativeSeparators(m_recording->text()))};
    request.format = kFormats[m_format->currentIndex()];
    request.crs = m_crs->currentText().trimmed().toStdString();
    if (m_again->isChecked()) request.recompute = PositionSettings{m_latency->value(), 0.0, 0.0};
    const QString output = QDir::fromNativeSeparators(m_output->text());
    request.output = Local(output);
    if (QFileInfo::exists(output)) {
        if (QMessageBox::question(
                this, tr("导出"),
                tr("%1 已存在，要替换它吗？").arg(QDir::toNativeSeparators(output))) !=
            QMessageBox::Yes)
            return;
        request.overwrite = true;
    }
    m_choices = {m_format->currentIndex(), m_crs->currentText().trimmed(),
                 m_again->isChecked() ? std::optional<int>(m_latency->value()) : std::nullopt,
                 QFileInfo(output).absolutePath()};

    m_cancelAsked = false;
    m_finished = false;
    m_progress->setValue(0);
    m_status->setText(tr("正在导出..."));
    SetIdle(false);
    m_worker = std::thread([this, request] {
        ExportProgress progress;
        progress.cancel = &m_cancelAsked;
        progress.report = [this](std::uint64_t done, std::uint64_t total) {
            const int value = total == 0 ? 1000 : static_cast<int>(done * 1000 / total);
            QMetaObject::invokeMethod(
                this, [this, value] { m_progress->setValue(value); }, Qt::QueuedConnection);
        };
        ExportSummary summary;
        const ExportStatus status = ExportRecordings(request, &summary, progress);
        QMetaObject::invokeMethod(
            this, [this, status, summary] { Done(status, summary); }, Qt::QueuedConnection);
    });
}

void CExportDialog::CancelOrClose() {
    if (Running()) {
        m_cancelAsked = true;
        m_status->setText(tr("正在取消..."));
        return;
    }
    reject();
}

void CExportDialog::Done(const ExportStatus& status, const ExportSummary& summary) {
    m_finished = true;
    m_result = status;
    SetIdle(true);
    if (status.Ok()) {
        m_progress->setValue(1000);
        m_status->setText(tr("已导出 %1 个测点（共 %2 个，%3 个无位置），坐标系 EPSG:%4")
                              .arg(summary.exported)
                              .arg(summary.pings)
                              .arg(summary.withoutPosition)
                              .arg(summary.epsg));
    } else {
        m_progress->setValue(0);
        m_status->setText(ProblemText(status));
    }
    emit Finished();
}

QString CExportDialog::ProblemText(const ExportStatus& s) const {
    const QString path = Shown(s.path);
    const QString why = s.systemError != 0 ? QString::fromLocal8Bit(std::strerror(s.systemError))
                                           : QString::fromStdString(s.detail);
    switch (s.problem) {
        case ExportProblem::kNone:
            break;
        case ExportProblem::kBadFormat:
            return tr("未知的格式");
        case ExportProblem::kUnknownCrs:
            return tr("坐标系 %1 未知").arg(QString::fromStdString(s.detail));
        case ExportProblem::kCrsNotProjected:
            return tr("坐标系 %1 不是投影坐标系").arg(QString::fromStdString(s.detail));
        case ExportProblem::kRecording:
            return tr("无法打开记录文件 %1").arg(path);
        case ExportProblem::kNoPositionFiles:
            return tr("没有定位文件 %1：该记录没有位置").arg(path);
        case ExportProblem::kNoRawLog:
            return tr("没有原始定位记录 %1，无法重新计算位置").arg(path);
        case ExportProblem::kDamagedPositions:
            return tr("定位文件 %1 第 %2 行已损坏").arg(path).arg(s.line);
        case ExportProblem::kNoPositions:
            return tr("没有任何测点有位置，无法选择 UTM 带（请输入 EPSG 代码）");
        case ExportProblem::kOutputExists:
            return tr("%1 已存在").arg(path);
        case ExportProblem::kOutputFolder:
            return tr("无法写入文件夹 %1（%2）").arg(path, why);
        case ExportProblem::kWriteFailed:
            return tr("写入 %1 失败（%2），未留下任何文件").arg(path, why);
        case ExportProblem::kCancelled:
            return tr("已取消，未留下任何文件");
    }
    return {};
}
