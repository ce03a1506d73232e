// The least a Qt program costs to start and show a window: an application,
// one plain window shown maximised, nothing else. bench/startup.sh starts it
// in turn with the program and compares the times to the first paint, which
// both mark the same way (MAREVOX_FIRST_PAINT_MARK, app/FirstPaintMark.h).
//
// usage: bench-startup-floor

#include <QApplication>
#include <QWidget>

#include "app/FirstPaintMark.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("floor"));
    window.showMaximized();
    MarkFirstPaint(window);
    return app.exec();
}
