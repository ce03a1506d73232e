#include "dialogs/CSetCom.h"

#include <algorithm>

#include "dialogs/DialogMemory.h"
#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "dialogs/OutputPortControl.h"
#include "settings/AppSettings.h"
#include "ui_Communication.h"

CSetCom::CSetCom(const DialogContext& context, OutputPortControl& outputPort, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CSetCom>()),
      m_context(context),
      m_outputPort(outputPort),
      m_frequency(QStringLiteral("200")),
      m_frequencyList(QStringLiteral("200")) {
    m_ui->setupUi(this);
    const DialogMemory& memory = context.memory;
    if (!memory.frequencyListText.isEmpty()) {
        m_frequencyList = memory.frequencyListText;
        m_frequency = memory.frequencyText;
    }
    ShowFrequency();

    AppSettings& settings = context.settings;
    m_ui->portList->setCurrentIndex(settings.m_comNumIdx.load());
    m_ui->baudList->setCurrentIndex(settings.m_comBaudIdx.load());
    m_ui->formatList->setCurrentIndex(settings.m_depType.load());
    m_ui->instrumentPortList->setCurrentIndex(settings.m_pcCom.load() - 1);
    m_ui->nmeaCheck->setChecked(settings.NmeaChecksum());
    ShowPortState(m_outputPort.OutputPortOpen());

    // Each selection is stored at once.
    connect(m_ui->portList, &QComboBox::activated, this, [this](int index) {
        m_context.settings.m_comNumIdx.store(static_cast<std::int8_t>(index));
    });
    connect(m_ui->baudList, &QComboBox::activated, this, [this](int index) {
        m_context.settings.m_comBaudIdx.store(static_cast<std::int8_t>(index));
    });
    connect(m_ui->formatList, &QComboBox::activated, this,
            [this](int index) { m_context.settings.m_depType.store(index); });
    connect(m_ui->instrumentPortList, &QComboBox::activated, this,
            [this](int index) { m_context.settings.m_pcCom.store(index + 1); });
    connect(m_ui->nmeaCheck, &QCheckBox::clicked, this,
            [this](bool on) { m_context.settings.SetNmeaChecksum(on); });

    connect(m_ui->openButton, &QPushButton::clicked, this, &CSetCom::OpenOrClosePort);
    connect(m_ui->frequencyUp, &QPushButton::clicked, this, [this] { StepFrequency(1); });
    connect(m_ui->frequencyDown, &QPushButton::clicked, this, [this] { StepFrequency(-1); });
    connect(m_ui->frequencyApply, &QPushButton::clicked, this, &CSetCom::ApplyFrequency);
    connect(m_ui->frequencyDefaults, &QPushButton::clicked, this, &CSetCom::DefaultFrequency);
}

CSetCom::~CSetCom() = default;

void CSetCom::ShowPortState(bool open) {
    m_ui->openButton->setText(open ? tr("关闭端口") : tr("打开端口"));
    m_ui->portList->setEnabled(!open);
    m_ui->baudList->setEnabled(!open);
}

void CSetCom::OpenOrClosePort() {
    if (m_outputPort.OutputPortOpen()) {
        m_outputPort.CloseOutputPort();
        ShowPortState(false);
        return;
    }
    const int portNumber = m_ui->portList->currentIndex() + 1;
    const int baudIndex = m_ui->baudList->currentIndex();
    if (baudIndex >= 0 && baudIndex < static_cast<int>(std::size(AppSettings::kBaudRates)))
        m_outputBaud = AppSettings::kBaudRates[baudIndex];
    if (!m_outputPort.OpenOutputPort(portNumber, m_outputBaud)) return;
    ShowPortState(true);
}

void CSetCom::ShowFrequency() {
    m_ui->frequencyEdit->setText(m_frequency);
    m_ui->frequencyList->setCurrentText(m_frequencyList);
}

void CSetCom::StepFrequency(int step) {
    // From the text last shown, not from unread typing.
    const int value = NumberText::LeadingInteger(m_frequency.toStdString()).value_or(0);
    m_frequency = QString::number(std::clamp(value + step, kMinFrequency, kMaxFrequency));
    m_context.memory.frequencyText = m_frequency;
    ShowFrequency();
}

void CSetCom::ApplyFrequency() {
    const auto typed = EditText::ReadInteger(m_ui->frequencyEdit);
    if (!typed) {
        m_context.prompts.Message(this, EditText::EnterInteger());
        ShowFrequency();
        return;
    }
    const int value = *typed;
    m_frequency = QString::number(std::clamp(value, kMinFrequency, kMaxFrequency));
    m_frequencyList = m_ui->frequencyList->currentText();
    m_context.memory.frequencyListText = m_frequencyList;
    m_context.memory.frequencyText = m_frequency;
    ShowFrequency();
}

void CSetCom::DefaultFrequency() {
    m_frequency = m_frequencyList = QStringLiteral("200");
    m_context.memory.frequencyListText = m_context.memory.frequencyText = m_frequency;
    ShowFrequency();
}
