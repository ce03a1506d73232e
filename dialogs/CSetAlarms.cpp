#include "dialogs/CSetAlarms.h"

#include <cmath>

#include "ui_Alarms.h"

namespace {

QString UnitSuffix(DepthUnit unit) {
    switch (unit) {
        case DepthUnit::kFeet:
            return CSetAlarms::tr(" 英尺");
        case DepthUnit::kFathoms:
            return CSetAlarms::tr(" 英寻");
        case DepthUnit::kMetres:
            break;
    }
    return CSetAlarms::tr(" 米");
}

}  // namespace

CSetAlarms::CSetAlarms(const AlarmSettings& settings, DepthUnit unit, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetAlarms>()), m_unit(unit) {
    m_ui->setupUi(this);
    m_ui->shallowCheck->setChecked(settings.shallow.on);
    SetDepthField(m_ui->shallowDepth, settings.shallow.depth, AlarmLimits::kMaxDepth);
    SetDepthField(m_ui->shallowHysteresis, settings.shallow.hysteresis,
                  AlarmLimits::kMaxHysteresis);
    m_ui->deepCheck->setChecked(settings.deep.on);
    SetDepthField(m_ui->deepDepth, settings.deep.depth, AlarmLimits::kMaxDepth);
    SetDepthField(m_ui->deepHysteresis, settings.deep.hysteresis, AlarmLimits::kMaxHysteresis);
    m_ui->lostCheck->setChecked(settings.bottomLostOn);
    m_ui->lostPings->setRange(AlarmLimits::kMinPings, AlarmLimits::kMaxPings);
    m_ui->lostPings->setValue(settings.bottomLostPings);
    m_ui->staleCheck->setChecked(settings.staleOn);
    m_ui->staleSeconds->setRange(AlarmLimits::kMinSeconds, AlarmLimits::kMaxSeconds);
    m_ui->staleSeconds->setValue(settings.staleSeconds);
    m_ui->staleSeconds->setSuffix(tr(" 秒"));
}

CSetAlarms::~CSetAlarms() = default;

void CSetAlarms::SetDepthField(QDoubleSpinBox* field, double metres, double maxMetres) const {
    // Both ends are whole hundredths of the unit inside the file's limits.
    field->setRange(0.0, std::floor(DepthUnits::FromMetres(maxMetres, m_unit) * 100.0) / 100.0);
    field->setSingleStep(m_unit == DepthUnit::kFeet ? 1.0 : 0.1);
    field->setSuffix(UnitSuffix(m_unit));
    field->setValue(DepthUnits::FromMetres(metres, m_unit));
}

double CSetAlarms::Metres(const QDoubleSpinBox* field) const {
    return DepthUnits::ToMetres(field->value(), m_unit);
}

AlarmSettings CSetAlarms::Value() const {
    AlarmSettings s;
    s.shallow = {m_ui->shallowCheck->isChecked(), Metres(m_ui->shallowDepth),
                 Metres(m_ui->shallowHysteresis)};
    s.deep = {m_ui->deepCheck->isChecked(), Metres(m_ui->deepDepth), Metres(m_ui->deepHysteresis)};
    s.bottomLostOn = m_ui->lostCheck->isChecked();
    s.bottomLostPings = m_ui->lostPings->value();
    s.staleOn = m_ui->staleCheck->isChecked();
    s.staleSeconds = m_ui->staleSeconds->value();
    return s;
}
