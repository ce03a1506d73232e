#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <vector>

#include "edit/Edit.h"

class EditedDepths;
class LineEchoes;

// The echogram of a whole recorded line for editing, apart from playback:
// every ping's echoes at one depth scale (metres below the surface, the
// same for every ping whatever range it was taken with), the detected
// bottom as a line over them and the edited bottom in another colour.
//
// Mouse: a left drag over a stretch rejects it (with Shift, or in the
// restore tool, restores it); in the drawing tool a left drag along the
// bottom sets the depths it passes, each snapped to the strongest echo
// within the snap distance; a right drag moves the picture; the wheel
// scrolls (Ctrl: zooms along the line, Shift: zooms in depth). Keys: arrows
// scroll, Page Up/Down a screen, Home/End, +/- zoom (with Shift in depth).
//
// The picture of the visible stretch is kept and rebuilt only when the
// stretch, the size or the edits change; a drag paints over it.
class CEditView : public QWidget {
    Q_OBJECT
public:
    enum class Tool { kReject, kRestore, kDraw };
    // Where the view's edits go (the window puts them on its undo stack).
    using EditSink = std::function<void(std::vector<Edit> edits, Tool tool)>;

    explicit CEditView(QWidget* parent = nullptr);

    // The line to show; both outlive the view.
    void SetLine(const LineEchoes* echoes, const EditedDepths* depths);
    void SetEditSink(EditSink sink) { m_sink = std::move(sink); }
    void SetTool(Tool tool) { m_tool = tool; }
    Tool CurrentTool() const { return m_tool; }
    void SetSnap(bool on, double metres);
    // Pings marked along the foot (a filter's preview); empty for none.
    void SetHighlighted(std::vector<bool> pings);
    // Redraws after the edits changed.
    void EditsChanged();

    // The stretch shown: the first ping at the left edge, pings per pixel,
    // the depth at the top edge and metres per pixel.
    void ShowStretch(double firstPing, double pingsPerPixel);
    void ShowDepths(double top, double metresPerPixel);
    double FirstPing() const { return m_first; }
    double PingsPerPixel() const { return m_pingsPerPixel; }
    double TopDepth() const { return m_top; }
    double MetresPerPixel() const { return m_metresPerPixel; }
    // Shows the whole line and every depth it has.
    void ShowAll();

    // Where things are drawn: the ping of a column, a ping's first column, the
    // depth of a row and a depth's row.
    std::int64_t PingAt(int x) const;
    int XOf(double ping) const;
    double DepthAt(int y) const;
    int YOf(double metres) const;

    // The picture as the last paint left it (tests, benchmark).
    const QImage& Picture() const { return m_picture; }

    static constexpr int kScaleWidth = 44;             // the depth scale's strip at the left
    static constexpr QRgb kDetectedLine = 0xFFFF00FF;  // magenta, clear of the echo colours
    static constexpr QRgb kEditedLine = 0xFF00FF00;
    static constexpr QRgb kRejectedMark = 0xFFFF0000;
    static constexpr QRgb kPreviewMark = 0xFFFFD700;

signals:
    // The ping and depth under the mouse, for the status bar.
    void pointed(qint64 ping, double depth);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RebuildPicture();
    void DrawColumn(int x, std::uint32_t ping, QRgb* column, qsizetype stride) const;
    void DrawScale(QImage& picture) const;
    void ZoomAlong(double factor, int x);
    void ZoomDepth(double factor, int y);
    void Scroll(double pixels);
    void Invalidate();
    void FinishStretch(int x0, int x1, bool restore);
    void FinishDrawing();
    int DataWidth() const;

    const LineEchoes* m_echoes = nullptr;
    const EditedDepths* m_depths = nullptr;
    EditSink m_sink;
    Tool m_tool = Tool::kReject;
    bool m_snap = true;
    double m_snapMetres = 1.0;
    std::vector<bool> m_highlighted;

    double m_first = 0.0;
    double m_pingsPerPixel = 1.0;
    double m_top = 0.0;
    double m_metresPerPixel = 0.05;

    bool m_wholeLine = true;  // ShowAll was the last change of the stretch shown
    QImage m_picture;
    bool m_stale = true;

    enum class Drag { kNone, kStretch, kDraw, kPan };
    Drag m_drag = Drag::kNone;
    bool m_dragRestores = false;
    QPoint m_pressed;
    QPoint m_current;
    double m_pressedFirst = 0.0;
    double m_pressedTop = 0.0;
    std::vector<QPoint> m_path;
};
