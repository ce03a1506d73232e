// The helm page in a real browser (headless Chromium): it shows the depths
// the server sends as they change, the alarm, the strip, reconnects after
// the server went away, and keeps its layout on a phone's screen.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QJsonObject>

#include "helm/CHelmServer.h"
#include "tests/helm/HeadlessChromium.h"

namespace {

// The boxes of the page's parts, from the page itself.
constexpr const char* kBoxes = R"(JSON.stringify(Object.fromEntries(
    ["alarm", "depth", "unit", "age", "strip", "sound", "status"].map((id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return [id, {top: r.top, bottom: r.bottom, left: r.left, right: r.right,
                   height: r.height, width: r.width}];
    }).concat([["page", {width: innerWidth, height: innerHeight,
                         scrollWidth: document.documentElement.scrollWidth,
                         scrollHeight: document.documentElement.scrollHeight}]]))))";

HelmState Depth(double metres, const char* alarm = "") {
    HelmState state;
    state.depthMetres = metres;
    state.depthTimeMs = QDateTime::currentMSecsSinceEpoch();
    state.alarm = alarm;
    return state;
}

TEST(HelmPageBrowserTest, ShowsDepthsAlarmAndStripAndKeepsItsLayout) {
    CHelmServer server;
    ASSERT_TRUE(server.Start(QHostAddress::LocalHost, 0));
    HeadlessChromium browser;
    ASSERT_TRUE(browser.Start()) << browser.Error().toStdString();
    browser.Call(QStringLiteral("Page.navigate"),
                 {{"url", QStringLiteral("http://127.0.0.1:%1/").arg(server.Port())}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Clients() == 1; }, 30000))
        << browser.Evaluate(QStringLiteral("location.href + ' ' + document.body.innerText"))
               .toString()
               .toStdString();

    const QString depth = QStringLiteral("document.getElementById('depth').textContent");
    const QString alarm = QStringLiteral(
        "document.getElementById('alarm').className + ':' + "
        "document.getElementById('alarm').textContent");
    // The bottom rises, then falls: each depth reaches the page, and deep
    // water's longer figure still fits the width.
    for (const double metres : {12.3, 8.76, 4.5, 123.45, 9.0}) {
        server.Publish(Depth(metres));
        EXPECT_TRUE(browser.WaitFor(depth, QString::number(metres, 'f', 2))) << metres;
        EXPECT_EQ(browser.Evaluate(QStringLiteral("document.documentElement.scrollWidth")),
                  HeadlessChromium::kWidth)
            << metres;
    }
    EXPECT_TRUE(browser.WaitFor(alarm, QStringLiteral("quiet:无报警")));
    server.Publish(Depth(2.1, "浅水报警"));
    EXPECT_TRUE(browser.WaitFor(alarm, QStringLiteral("raised:浅水报警")));
    EXPECT_TRUE(browser.WaitFor(depth, QStringLiteral("2.10")));

    // Columns reach the strip: it has pixels other than the background.
    EchoColumn column;
    column.spanMetres = 10.0;
    column.levels.fill(6);
    for (int i = 0; i < 20; ++i) server.PublishColumn(column);
    EXPECT_TRUE(browser.WaitFor(
        QStringLiteral("(() => { const c = document.getElementById('strip');"
                       " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
                       " for (let i = 0; i < d.length; i += 4) if (d[i] > 100) return 'drawn';"
                       " return 'empty'; })()"),
        QStringLiteral("drawn")));

    // The expected layout on a phone: nothing wider than the screen, the
    // alarm above a depth that takes a good part of the height, the age and
    // strip below it, the strip across the width.
    const QJsonObject boxes =
        QJsonDocument::fromJson(browser.Evaluate(QString::fromLatin1(kBoxes)).toString().toUtf8())
            .object();
    const auto box = [&](const char* id) { return boxes[QLatin1String(id)].toObject(); };
    const auto at = [&](const char* id, const char* side) {
        return box(id)[QLatin1String(side)].toDouble();
    };
    const double width = box("page")["width"].toDouble();
    const double height = box("page")["height"].toDouble();
    EXPECT_EQ(width, HeadlessChromium::kWidth);
    EXPECT_LE(box("page")["scrollWidth"].toDouble(), width);
    EXPECT_LE(box("page")["scrollHeight"].toDouble(), height);
    EXPECT_LE(at("alarm", "bottom"), at("depth", "top"));
    // Portrait: the figure's width is what limits it.
    EXPECT_GE(at("depth", "height"), 0.15 * height);
    EXPECT_GE(at("depth", "width"), 0.6 * width);
    EXPECT_LE(at("depth", "bottom"), at("age", "top") + 1);
    EXPECT_LE(at("age", "bottom"), at("strip", "top"));
    EXPECT_GE(at("strip", "width"), 0.9 * width);
    EXPECT_LE(at("strip", "bottom"), at("sound", "top"));
    for (const char* id : {"alarm", "depth", "unit", "age", "strip", "sound", "status"}) {
        EXPECT_GE(at(id, "left"), 0.0) << id;
        EXPECT_LE(at(id, "right"), width) << id;
        EXPECT_LE(at(id, "bottom"), height) << id;
    }

    // The screenshot, kept beside the test for a look, is the page's size.
    const QJsonObject shot = browser.Call(QStringLiteral("Page.captureScreenshot"));
    const QByteArray png = QByteArray::fromBase64(shot["data"].toString().toLatin1());
    const QImage image = QImage::fromData(png, "PNG");
    EXPECT_EQ(image.width(), HeadlessChromium::kWidth);
    image.save(QDir::current().filePath(QStringLiteral("helm-page.png")));

    // The server goes away and comes back on the same port: the page
    // reconnects by itself and shows the next depth.
    const quint16 port = server.Port();
    server.Stop();
    EXPECT_TRUE(browser.WaitFor(QStringLiteral("document.getElementById('status').className"),
                                QStringLiteral("down")));
    ASSERT_TRUE(server.Start(QHostAddress::LocalHost, port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Clients() == 1; }, 30000));
    server.Publish(Depth(6.54));
    EXPECT_TRUE(browser.WaitFor(depth, QStringLiteral("6.54")));
}

}  // namespace
