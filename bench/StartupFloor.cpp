// The least a Qt program costs to start and show a window: an application,
// one plain window shown maximised, nothing else. bench/startup.sh starts it
// in turn with the program and compares the times to the first paint, which
// both mark the same way (MAREVOX_FIRST_PAINT_MARK, app/FirstPaintMark.h).
//
// With --chinese the window is a main window with two menus and a status
// bar text in Chinese, in the face the program uses (Noto Sans CJK SC):
// what opening that face and drawing Chinese text adds to any window of the
// program.
//
// usage: bench-startup-floor [--chinese]

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <cstring>

#include "app/FirstPaintMark.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    if (argc > 1 && std::strcmp(argv[1], "--chinese") == 0) {
        QFont font = QApplication::font();
        font.setFamilies({QStringLiteral("Noto Sans CJK SC")});
        QApplication::setFont(font);
        window.menuBar()->addMenu(QStringLiteral("文件(&F)"));
        window.menuBar()->addMenu(QStringLiteral("查看(&V)"));
        window.statusBar()->addWidget(new QLabel(QStringLiteral("量程:自动")));
    }
    window.setWindowTitle(QStringLiteral("floor"));
    window.showMaximized();
    MarkFirstPaint(window);
    return app.exec();
}
