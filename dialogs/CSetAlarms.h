#pragma once

#include <QDialog>
#include <memory>

#include "settings/AlarmSettings.h"
#include "settings/DepthUnit.h"

class QDoubleSpinBox;
namespace Ui {
class CSetAlarms;
}

// 报警设置, modal: the shallow and deep alarms (on, depth, hysteresis), the
// bottom-lost alarm (on, pings without a bottom) and the stale-depth alarm
// (on, seconds without a ping). Depths are shown and typed in the unit the
// window shows; the fields keep every value inside what the settings file
// allows. Value() is what the user chose, in metres, once accepted.
class CSetAlarms : public QDialog {
    Q_OBJECT
public:
    CSetAlarms(const AlarmSettings& settings, DepthUnit unit, QWidget* parent = nullptr);
    ~CSetAlarms() override;

    AlarmSettings Value() const;

private:
    void SetDepthField(QDoubleSpinBox* field, double metres, double maxMetres) const;
    double Metres(const QDoubleSpinBox* field) const;

    std::unique_ptr<Ui::CSetAlarms> m_ui;
    DepthUnit m_unit;
};
