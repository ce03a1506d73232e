#pragma once

#include <QLabel>

// One pane of the status bar. Its width is set by the text it starts
// with; a longer text later (a count added to a pane) widens it, so the
// text is shown whole. It may shrink in a narrow window; its tooltip always
// holds the whole text.
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
    int m_startWidth;
    QSize m_size;
};
