#include "app/CAboutDialog.h"

#include "app/AppIcon.h"
#include "ui_About.h"

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent), m_ui(new Ui::CAboutDialog) {
    m_ui->setupUi(this);
    m_ui->icon->setPixmap(AppIcon().pixmap(32, 32));
}

CAboutDialog::~CAboutDialog() = default;
