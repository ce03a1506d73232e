#include "dialogs/CSpeedFromWater.h"

#include "dialogs/DialogMemory.h"
#include "dialogs/EditText.h"
#include "settings/WaterSoundSpeed.h"
#include "ui_SpeedFromWater.h"

CSpeedFromWater::CSpeedFromWater(DialogMemory& memory, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSpeedFromWater>()), m_memory(memory) {
    m_ui->setupUi(this);
    using namespace WaterSoundSpeed;
    m_ui->temperatureSpin->setRange(kMinTemperature, kMaxTemperature);
    m_ui->salinitySpin->setRange(kMinSalinity, kMaxSalinity);
    m_ui->depthSpin->setRange(kMinDepth, kMaxDepth);
    m_ui->temperatureSpin->setValue(memory.waterTemperature);
    m_ui->salinitySpin->setValue(memory.waterSalinity);
    m_ui->depthSpin->setValue(memory.waterDepth);
    for (QDoubleSpinBox* spin : {m_ui->temperatureSpin, m_ui->salinitySpin, m_ui->depthSpin})
        connect(spin, &QDoubleSpinBox::valueChanged, this, &CSpeedFromWater::ShowSpeed);
    ShowSpeed();
}

CSpeedFromWater::~CSpeedFromWater() = default;

double CSpeedFromWater::Speed() const {
    return WaterSoundSpeed::FromWater(m_ui->temperatureSpin->value(), m_ui->salinitySpin->value(),
                                      m_ui->depthSpin->value());
}

void CSpeedFromWater::ShowSpeed() {
    m_ui->speedResult->setText(EditText::Fixed(Speed(), 1));
}

void CSpeedFromWater::accept() {
    m_memory.waterTemperature = m_ui->temperatureSpin->value();
    m_memory.waterSalinity = m_ui->salinitySpin->value();
    m_memory.waterDepth = m_ui->depthSpin->value();
    QDialog::accept();
}
