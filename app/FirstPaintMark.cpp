#include "app/FirstPaintMark.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Watches every paint event of the application until one is for a widget
// of the window. The window's widgets are painted one after the other and
// the picture handed to the display in the same turn of the event loop, so
// a zero timer started at the first of them fires after the hand-over.
class FirstPaintWatcher : public QObject {
public:
    explicit FirstPaintWatcher(QWidget& window) : QObject(qApp), m_window(&window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && m_window &&
            static_cast<QWidget*>(watched)->window() == m_window) {
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::fprintf(stderr, "first paint: %lld\n",
                             static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stderr);
                deleteLater();
            });
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
};

}  // namespace

void MarkFirstPaint(QWidget& window) {
    if (std::getenv("MAREVOX_FIRST_PAINT_MARK") == nullptr) return;
    qApp->installEventFilter(new FirstPaintWatcher(window));
}
