#include "editor/CFilterPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>

#include "edit/DepthWindowFilter.h"
#include "edit/EditSession.h"
#include "edit/Redetection.h"
#include "edit/SpikeFilter.h"
#include "editor/CEditView.h"

namespace {

QDoubleSpinBox* Metres(double value, double max, int decimals, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(0.0, max);
    box->setDecimals(decimals);
    box->setValue(value);
    return box;
}

}  // namespace

CFilterPanel::CFilterPanel(CEditView& view, const EditSession& session, Apply apply,
                           QWidget* parent)
    : QDockWidget(tr("滤波"), parent), m_view(view), m_session(session), m_apply(std::move(apply)) {
    setObjectName(QStringLiteral("filters"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    m_filter = new QComboBox(body);
    m_filter->addItems({tr("深度窗口"), tr("尖峰滤波"), tr("重新检测")});
    layout->addWidget(m_filter);
    m_pages = new QStackedWidget(body);
    layout->addWidget(m_pages);

    const SpikeSettings spike;
    auto* window = new QWidget(m_pages);
    auto* windowForm = new QFormLayout(window);
    m_min = Metres(1.0, 1000.0, 2, window);
    m_max = Metres(100.0, 1000.0, 2, window);
    m_min->setObjectName(QStringLiteral("windowMin"));
    m_max->setObjectName(QStringLiteral("windowMax"));
    windowForm->addRow(tr("最小深度 (m)"), m_min);
    windowForm->addRow(tr("最大深度 (m)"), m_max);
    m_pages->addWidget(window);

    auto* spikes = new QWidget(m_pages);
    auto* spikeForm = new QFormLayout(spikes);
    m_neighbours = new QSpinBox(spikes);
    m_neighbours->setRange(1, 10000);
    m_neighbours->setValue(static_cast<int>(spike.neighbours));
    m_amount = Metres(spike.amount, 100.0, 2, spikes);
    m_share = Metres(spike.share * 100.0, 100.0, 1, spikes);
    spikeForm->addRow(tr("每侧相邻测点"), m_neighbours);
    spikeForm->addRow(tr("偏差 (m)"), m_amount);
    spikeForm->addRow(tr("偏差比例 (%)"), m_share);
    m_pages->addWidget(spikes);

    auto* redetect = new QWidget(m_pages);
    auto* redetectForm = new QFormLayout(redetect);
    m_useDraft = new QCheckBox(tr("吃水 (m)"), redetect);
    m_draft = Metres(0.5, 20.0, 2, redetect);
    m_useSpeed = new QCheckBox(tr("声速 (m/s)"), redetect);
    m_speed = Metres(1500.0, 1700.0, 1, redetect);
    m_speed->setMinimum(1300.0);
    redetectForm->addRow(m_useDraft, m_draft);
    redetectForm->addRow(m_useSpeed, m_speed);
    m_antiJam = new QComboBox(redetect);
    m_antiJam->addItems({tr("如记录"), tr("关"), tr("固定深度"), tr("跟踪门")});
    m_antiJamDepth = Metres(0.0, 1000.0, 2, redetect);
    redetectForm->addRow(tr("抗干扰"), m_antiJam);
    redetectForm->addRow(tr("抗干扰深度 (m)"), m_antiJamDepth);
    m_pages->addWidget(redetect);

    m_shownOnly = new QCheckBox(tr("只处理显示的区段"), body);
    layout->addWidget(m_shownOnly);
    auto* buttons = new QHBoxLayout;
    auto* preview = new QPushButton(tr("预览"), body);
    auto* applyButton = new QPushButton(tr("应用"), body);
    buttons->addWidget(preview);
    buttons->addWidget(applyButton);
    layout->addLayout(buttons);
    m_result = new QLabel(body);
    m_result->setWordWrap(true);
    layout->addWidget(m_result);
    layout->addStretch(1);
    setWidget(body);

    connect(m_filter, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_pages->setCurrentIndex(index);
        ClearPreview();
    });
    connect(preview, &QPushButton::clicked, this, &CFilterPanel::Preview);
    connect(applyButton, &QPushButton::clicked, this, &CFilterPanel::ApplyFilter);
}

void CFilterPanel::Choose(Filter filter) {
    m_filter->setCurrentIndex(static_cast<int>(filter));
}

Stretch CFilterPanel::Shown() const {
    if (!m_shownOnly->isChecked()) return {};
    const std::int64_t first = std::max<std::int64_t>(0, m_view.PingAt(CEditView::kScaleWidth));
    const std::int64_t last = std::max(first, m_view.PingAt(m_view.width()));
    return {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)};
}

bool CFilterPanel::Run(std::vector<Edit>& edits) {
    const EditedDepths& depths = m_session.Depths();
    const std::int64_t now = std::time(nullptr);
    switch (static_cast<Filter>(m_filter->currentIndex())) {
        case Filter::kDepthWindow:
            edits = DepthWindowFilter(depths, m_min->value(), m_max->value(), Shown(), now);
            return true;
        case Filter::kSpike: {
            SpikeSettings settings;
            settings.neighbours = static_cast<std::uint32_t>(m_neighbours->value());
            settings.amount = m_amount->value();
            settings.share = m_share->value() / 100.0;
            edits = SpikeFilter(depths, settings, Shown(), now);
            return true;
        }
        case Filter::kRedetect: {
            RedetectSettings settings;
            if (m_useDraft->isChecked()) settings.draft = m_draft->value();
            if (m_useSpeed->isChecked()) settings.soundSpeed = m_speed->value();
            if (m_antiJam->currentIndex() > 0) {
                settings.antiJam = static_cast<std::uint8_t>(m_antiJam->currentIndex() - 1);
                settings.antiJamDepth = m_antiJamDepth->value();
            }
            if (!Redetect(m_recording, depths, settings, Shown(), now, edits).Ok()) {
                m_result->setText(tr("无法重新读取记录。"));
                return false;
            }
            return true;
        }
    }
    return false;
}

bool CFilterPanel::Preview() {
    m_previewed.clear();
    if (!Run(m_previewed)) return false;
    std::vector<bool> marked(m_session.Depths().Count(), false);
    for (const Edit& edit : m_previewed)
        if (edit.record < marked.size()) marked[edit.record] = true;
    m_view.SetHighlighted(std::move(marked));
    m_result->setText(
        tr("将改变 %1 个测点（底部黄色标记）。").arg(static_cast<qulonglong>(m_previewed.size())));
    return true;
}

void CFilterPanel::ApplyFilter() {
    std::vector<Edit> edits;
    if (!Run(edits)) return;
    ClearPreview();
    const auto count = static_cast<qulonglong>(edits.size());
    m_result->setText(tr("已改变 %1 个测点。").arg(count));
    if (count > 0)
        m_apply(std::move(edits), tr("%1：%2 个测点").arg(m_filter->currentText()).arg(count));
}

void CFilterPanel::ClearPreview() {
    m_previewed.clear();
    m_view.SetHighlighted({});
    m_result->clear();
}
