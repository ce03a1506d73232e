#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QToolBar>
#include <array>
#include <functional>

class QAction;

// The main window's toolbar: 19 command buttons with 30 x 30 true-colour
// images cut from image strips, the same images for normal and hot
// (under the mouse) buttons and separate greyed images for disabled ones.
class CTrueColorToolBar : public QToolBar {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 30;
    static constexpr const char* kNormalImages = ":/toolbar/normal.png";
    static constexpr const char* kDisabledImages = ":/toolbar/disabled.png";

    enum class ImageRole { kNormal, kHot, kDisabled };

    explicit CTrueColorToolBar(QWidget* parent = nullptr);

    // Adds the buttons and separators of CommandId::kToolbar in order. actionFor gives the
    // main window's action of a command id (its text is the tooltip, its
    // enabled state the button's); an id without an action is left out.
    void AddButtons(const std::function<QAction*(int)>& actionFor);

    // Normal, hot and (when disabled is not empty) disabled images, in this
    // order; stops at the first strip that fails and keeps the images set so
    // far. True when all were set.
    bool LoadToolbarImages(int buttonWidth, const QString& normal, const QString& hot,
                           const QString& disabled);
    // Cuts the strip into images of buttonWidth x strip height, transparent
    // where a pixel has the strip's first pixel's colour, and gives them to
    // the buttons in order. False, with nothing changed, when the strip
    // cannot be read or is narrower than one button.
    bool SetToolbarImageList(ImageRole role, const QString& strip, int buttonWidth);

    // The images of a strip as SetToolbarImageList cuts them.
    static bool CutImageStrip(const QString& strip, int buttonWidth, QList<QPixmap>* images);

    const QList<QAction*>& Buttons() const { return m_buttons; }

private:
    void ApplyIcons();

    QList<QAction*> m_buttons;
    std::array<QList<QPixmap>, 3> m_images;
};
