#include "display/CColor.h"

#include <QColorDialog>
#include <QMessageBox>
#include <QPushButton>

#include "display/CStaticColor.h"
#include "ui_Color.h"

namespace {

bool IsMonitorColour(XSound::ColourKey key) {
    return key == XSound::kSeeBack || key == XSound::kSeeEdit;
}

}  // namespace

CColor::CColor(XSound& engine, std::function<void()> clearEchogram, bool english, QWidget* parent)
    : QDialog(parent),
      m_ui(new Ui::CColor),
      m_engine(engine),
      m_clearEchogram(std::move(clearEchogram)),
      m_english(english) {
    m_ui->setupUi(this);
    m_picker = [](QWidget* owner) -> std::optional<QColor> {
        const QColor colour = QColorDialog::getColor(Qt::white, owner);
        if (!colour.isValid()) return std::nullopt;
        return colour;
    };
    m_question = [](QWidget* owner, const QString& text) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Tips"), text,
                        QMessageBox::Ok | QMessageBox::Cancel, owner);
        return box.exec() == QMessageBox::Ok;
    };

    const std::pair<QPushButton*, XSound::ColourKey> buttons[] = {
        {m_ui->backButton, XSound::kBack},       {m_ui->waveL1Button, XSound::kWaveL1},
        {m_ui->deskButton, XSound::kDesk},       {m_ui->line1Button, XSound::kLine1},
        {m_ui->line2Button, XSound::kLine2},     {m_ui->seeBackButton, XSound::kSeeBack},
        {m_ui->seeEditButton, XSound::kSeeEdit},
    };
    for (const auto& [button, key] : buttons) {
        connect(button, &QPushButton::clicked, this, [this, key = key] { PickColour(key); });
    }
    connect(m_ui->restore, &QPushButton::clicked, this, &CColor::RestoreDefaults);
    RefreshSwatches();
}

CColor::~CColor() = default;

QString CColor::RestoreQuestion(bool english) {
    return english ? QStringLiteral("Restore to the default setting?")
                   : QStringLiteral("确定要回复默认设置？");
}

std::uint32_t CColor::ToColourWord(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) |
           static_cast<std::uint32_t>(colour.green()) << 8 |
           static_cast<std::uint32_t>(colour.blue()) << 16;
}

CStaticColor* CColor::Swatch(XSound::ColourKey key) const {
    switch (key) {
        case XSound::kBack:
            return m_ui->backSwatch;
        case XSound::kWaveL1:
            return m_ui->waveL1Swatch;
        case XSound::kDesk:
            return m_ui->deskSwatch;
        case XSound::kLine1:
            return m_ui->line1Swatch;
        case XSound::kLine2:
            return m_ui->line2Swatch;
        case XSound::kSeeBack:
            return m_ui->seeBackSwatch;
        case XSound::kSeeEdit:
            return m_ui->seeEditSwatch;
        default:
            return nullptr;
    }
}

void CColor::RefreshSwatches() {
    for (int k = 0; k < XSound::kColourCount; ++k) {
        const auto key = static_cast<XSound::ColourKey>(k);
        Swatch(key)->SetColour(Colour(key));
        Swatch(key)->update();
    }
}

void CColor::PickColour(XSound::ColourKey key) {
    const std::optional<QColor> picked = m_picker(this);
    if (!picked) return;
    SetColour(key, ToColourWord(*picked));
    Swatch(key)->SetColour(Colour(key));
    Swatch(key)->update();
    if (!IsMonitorColour(key) && m_clearEchogram) m_clearEchogram();
}

void CColor::RestoreDefaults() {
    if (!m_question(this, RestoreQuestion(m_english))) return;
    RestoreDefaultColours();
    RefreshSwatches();
    if (m_clearEchogram) m_clearEchogram();
}

std::uint32_t CColor::Colour(XSound::ColourKey key) const {
    return m_engine.Sounding().Colour(key);
}

void CColor::SetColour(XSound::ColourKey key, std::uint32_t word) {
    m_engine.Sounding().SetColour(key, word);
}

void CColor::RestoreDefaultColours() {
    for (int k = 0; k < XSound::kColourCount; ++k)
        m_engine.Sounding().SetColour(static_cast<ColourKey>(k), XSound::kDefaultColours[k]);
}
