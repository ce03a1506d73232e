#include "dialogs/CSetEatWT.h"

#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "engine/XSound.h"
#include "settings/SettingLimits.h"
#include "ui_Draft.h"

CSetEatWT::CSetEatWT(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetEatWT>()), m_context(context) {
    m_ui->setupUi(this);
    m_remembered = context.engine.Sounding().Draft();
    m_ui->valueEdit->setText(EditText::Fixed(m_remembered, 2));
    m_ui->valueEdit->selectAll();
}

CSetEatWT::~CSetEatWT() = default;

void CSetEatWT::accept() {
    const auto draft = EditText::ReadDecimal(m_ui->valueEdit);
    if (!draft || !SettingLimits::DraftValid(*draft)) {
        m_context.prompts.Message(this, tr("吃水应在0到100米之间"));
        return;
    }
    m_context.Change().SetDraft(*draft);
    if (*draft != m_remembered) m_context.chartHeaderDue.store(true, std::memory_order_release);
    QDialog::accept();
}
