#include "display/CTrueColorToolBar.h"

#include <QAction>
#include <QBitmap>
#include <QIcon>
#include <QImage>

#include "resources/CommandIds.h"

static void LoadToolbarResources() {
    Q_INIT_RESOURCE(toolbar);
}

CTrueColorToolBar::CTrueColorToolBar(QWidget* parent) : QToolBar(parent) {
    LoadToolbarResources();
    setObjectName(QStringLiteral("toolbar"));
    setWindowTitle(tr("工具栏"));
    setMovable(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(kButtonWidth, kButtonWidth));
}

void CTrueColorToolBar::AddButtons(const std::function<QAction*(int)>& actionFor) {
    for (int id : CommandId::kToolbar) {
        if (id == 0) {
            addSeparator();
            continue;
        }
        QAction* action = actionFor(id);
        if (action == nullptr) continue;
        // The menus carry text only.
        action->setIconVisibleInMenu(false);
        addAction(action);
        m_buttons.append(action);
    }
    ApplyIcons();
}

bool CTrueColorToolBar::LoadToolbarImages(int buttonWidth, const QString& normal,
                                          const QString& hot, const QString& disabled) {
    if (!SetToolbarImageList(ImageRole::kNormal, normal, buttonWidth)) return false;
    if (!SetToolbarImageList(ImageRole::kHot, hot, buttonWidth)) return false;
    if (disabled.isEmpty()) return true;
    return SetToolbarImageList(ImageRole::kDisabled, disabled, buttonWidth);
}

bool CTrueColorToolBar::SetToolbarImageList(ImageRole role, const QString& strip, int buttonWidth) {
    QList<QPixmap> images;
    if (!CutImageStrip(strip, buttonWidth, &images)) return false;
    m_images[static_cast<std::size_t>(role)] = images;
    setIconSize(images.front().size());
    ApplyIcons();
    return true;
}

bool CTrueColorToolBar::CutImageStrip(const QString& strip, int buttonWidth,
                                      QList<QPixmap>* images) {
    QImage image(strip);
    if (image.isNull() || buttonWidth <= 0 || image.width() < buttonWidth) return false;
    image = image.convertToFormat(QImage::Format_ARGB32);
    // Every pixel of the first pixel's colour becomes transparent.
    const QRgb transparent = image.pixel(0, 0);
    const QImage mask = image.createMaskFromColor(transparent, Qt::MaskOutColor);
    image.setAlphaChannel(mask);
    const int count = image.width() / buttonWidth;
    images->clear();
    for (int i = 0; i < count; ++i)
        images->append(
            QPixmap::fromImage(image.copy(i * buttonWidth, 0, buttonWidth, image.height())));
    return true;
}

void CTrueColorToolBar::ApplyIcons() {
    const auto& normal = m_images[static_cast<std::size_t>(ImageRole::kNormal)];
    const auto& hot = m_images[static_cast<std::size_t>(ImageRole::kHot)];
    const auto& disabled = m_images[static_cast<std::size_t>(ImageRole::kDisabled)];
    for (qsizetype i = 0; i < m_buttons.size(); ++i) {
        QIcon icon;
        if (i < normal.size()) icon.addPixmap(normal[i], QIcon::Normal);
        if (i < hot.size()) icon.addPixmap(hot[i], QIcon::Active);
        // A button without a disabled image gets the style's greyed normal
        // image.
        if (i < disabled.size()) icon.addPixmap(disabled[i], QIcon::Disabled);
        m_buttons[i]->setIcon(icon);
    }
}
