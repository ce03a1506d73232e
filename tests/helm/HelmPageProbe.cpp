// helm-page-probe URL SECONDS: opens the helm page in headless Chromium and
// prints, for SECONDS, each new "depth unit | alarm | status" the page shows,
// one line each; exits non-zero when the browser cannot be driven. For the
// end-to-end test with the real program.
#include <QCoreApplication>
#include <cstdio>

#include "tests/helm/HeadlessChromium.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: helm-page-probe URL SECONDS\n");
        return 2;
    }
    HeadlessChromium browser;
    if (!browser.Start()) {
        std::fprintf(stderr, "%s\n", qPrintable(browser.Error()));
        return 1;
    }
    browser.Call(QStringLiteral("Page.navigate"), {{"url", QString::fromLocal8Bit(argv[1])}});
    const QString shown = QStringLiteral(
        "['depth', 'unit', 'alarm', 'status'].map((id) => "
        "document.getElementById(id) ? document.getElementById(id).textContent : '').join(' | ')");
    QString last;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < std::atoi(argv[2]) * 1000LL) {
        const QString now = browser.Evaluate(shown).toString();
        if (now != last) {
            std::printf("%s\n", now.toUtf8().constData());
            std::fflush(stdout);
            last = now;
        }
        QTest::qWait(100);
    }
    return 0;
}
