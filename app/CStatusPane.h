#pragma once

#include <QLabel>

// One pane of the status bar. Its width is fixed by the text it starts
// with, whatever it shows later; it may shrink in a narrow window.
class CStatusPane : public QLabel {
    Q_OBJECT
public:
    CStatusPane(const QString& initialText, QWidget* parent = nullptr);

    // Sets the text only when it differs from the one shown: the status
    // bar is refreshed ten times a second and its texts rarely change.
    void ShowText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QSize m_size;
};
