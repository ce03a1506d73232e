#pragma once

#include <QLayout>
#include <QList>

// Lays its widgets out left to right at their preferred widths and starts a
// new row where the next one does not fit: the status bar's panes take one
// row in the full window and as many as they need in the narrow compact
// strip. A widget wider than a whole row gets the row's width.
class CPaneRowsLayout : public QLayout {
    Q_OBJECT
public:
    explicit CPaneRowsLayout(QWidget* parent = nullptr);
    ~CPaneRowsLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // One row.
    QSize sizeHint() const override;
    // The widest widget, as high as the rows need at the width laid out
    // last: the main window sizes its status bar by what the bar asks for,
    // not by its height for a width.
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Between widgets and between rows: the style's spacing.
    int Gap() const;
    // Places the items (when place is true) in rows within rect; returns
    // the height used.
    int Arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> m_items;
    int m_width = -1;  // laid out last
};
