#include "dialogs/CSetGnss.h"

#include <cmath>

#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "settings/AppSettings.h"
#include "settings/SettingLimits.h"
#include "ui_Positioning.h"

CSetGnss::CSetGnss(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetGnss>()), m_context(context) {
    m_ui->setupUi(this);
    const PositionSourceSettings p = context.settings.Positions();
    m_ui->sourceCombo->setCurrentIndex(p.source);
    m_ui->hostEdit->setText(QString::fromStdString(p.gpsdHost));
    m_ui->portEdit->setText(QString::number(p.gpsdPort));
    m_ui->serialEdit->setText(QString::number(p.serialPort));
    m_ui->baudEdit->setText(QString::number(p.serialBaud));
    m_ui->latencyEdit->setText(QString::number(p.latencyMs));
    m_ui->forwardEdit->setText(EditText::Decimal(p.antennaForward));
    m_ui->starboardEdit->setText(EditText::Decimal(p.antennaStarboard));
    connect(m_ui->sourceCombo, &QComboBox::currentIndexChanged, this, &CSetGnss::ShowSourceFields);
    ShowSourceFields();
}

CSetGnss::~CSetGnss() = default;

void CSetGnss::ShowSourceFields() {
    const int source = m_ui->sourceCombo->currentIndex();
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->hostEdit), static_cast<QWidget*>(m_ui->portEdit)})
        w->setEnabled(source == PositionSourceSettings::kGpsd);
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->serialEdit), static_cast<QWidget*>(m_ui->baudEdit)})
        w->setEnabled(source == PositionSourceSettings::kSerial);
}

bool CSetGnss::Refuse(QLineEdit* edit, const QString& text) {
    m_context.prompts.Message(this, text);
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CSetGnss::CheckInteger(QLineEdit* edit, const QLabel* label, int min, int max) {
    const auto value = EditText::ReadInteger(edit);
    if (value && *value >= min && *value <= max) return true;
    return Refuse(edit, tr("%1应为%2到%3之间的整数").arg(label->text()).arg(min).arg(max));
}

void CSetGnss::accept() {
    using namespace SettingLimits;
    // The fields of the source chosen are checked and stored; the greyed
    // ones keep their values.
    PositionSourceSettings p = m_context.settings.Positions();
    p.source = m_ui->sourceCombo->currentIndex();
    const QString host = m_ui->hostEdit->text().trimmed();
    if (p.source == PositionSourceSettings::kGpsd) {
        if (host.isEmpty() || host.contains(QLatin1Char(' '))) {
            Refuse(
                m_ui->hostEdit,
                tr("%1应为gpsd所在计算机的名称或地址，如localhost").arg(m_ui->hostLabel->text()));
            return;
        }
        if (!CheckInteger(m_ui->portEdit, m_ui->portLabel, kMinPortNumber, kMaxPortNumber)) return;
        p.gpsdHost = host.toStdString();
        p.gpsdPort = *EditText::ReadInteger(m_ui->portEdit);
    }
    if (p.source == PositionSourceSettings::kSerial) {
        if (!CheckInteger(m_ui->serialEdit, m_ui->serialLabel, 1, kMaxSerialPort) ||
            !CheckInteger(m_ui->baudEdit, m_ui->baudLabel, kMinBaud, kMaxBaud))
            return;
        p.serialPort = *EditText::ReadInteger(m_ui->serialEdit);
        p.serialBaud = *EditText::ReadInteger(m_ui->baudEdit);
    }
    if (!CheckInteger(m_ui->latencyEdit, m_ui->latencyLabel, kMinLatencyMs, kMaxLatencyMs)) return;
    double offsets[2] = {};
    const std::pair<QLineEdit*, QLabel*> offsetFields[2] = {
        {m_ui->forwardEdit, m_ui->forwardLabel}, {m_ui->starboardEdit, m_ui->starboardLabel}};
    for (int i = 0; i < 2; ++i) {
        const auto metres = EditText::ReadDecimal(offsetFields[i].first);
        if (!metres || !(std::abs(*metres) <= kMaxAntennaOffset)) {
            Refuse(offsetFields[i].first,
                   tr("%1应为-100到100之间的数（米）").arg(offsetFields[i].second->text()));
            return;
        }
        offsets[i] = *metres;
    }
    p.latencyMs = *EditText::ReadInteger(m_ui->latencyEdit);
    p.antennaForward = offsets[0];
    p.antennaStarboard = offsets[1];
    p.inFile = true;
    m_context.settings.SetPositions(p);
    QDialog::accept();
}
