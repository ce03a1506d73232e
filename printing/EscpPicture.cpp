#include "printing/EscpPicture.h"

#include <QFont>
#include <QPainter>
#include <string>

#include "display/MarkLabelFont.h"
#include "printing/EscpPage.h"
#include "printing/GbkText.h"

namespace {

constexpr int kFooterHeight = 30;
// Characters are drawn at the pins' pitch (180 dpi both ways) and squeezed
// to the bit image's 120 dpi across.
constexpr double kAcross = 120.0 / 180.0;

QFont PrinterFont() {
    InstallChineseFontSubstitutions();
    QFont font(QStringLiteral("SimSun"));
    font.setPixelSize(EscpPage::kLineHeight - 2);
    return font;
}

// Draws the characters of one run; returns the bytes of those without a
// glyph.
std::size_t DrawRun(QPainter& painter, const EscpPage::TextRun& run) {
    std::size_t unmapped = 0;
    for (const EscpPage::Character& character : run.characters) {
        std::string utf8;
        if (!GbkText::ToUtf8(character.bytes, &utf8)) {
            unmapped += character.bytes.size();
        } else if (utf8 != " ") {
            const QRectF cell(character.x / kAcross, run.y, character.width / kAcross,
                              EscpPage::kLineHeight);
            painter.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, QString::fromUtf8(utf8));
        }
    }
    if (run.underline && !run.characters.empty()) {
        const int left = run.characters.front().x;
        const int right = run.characters.back().x + run.characters.back().width;
        painter.save();
        painter.resetTransform();
        painter.fillRect(QRect(left, run.y + EscpPage::kLineHeight - 1, right - left, 1),
                         Qt::black);
        painter.restore();
    }
    return unmapped;
}

}  // namespace

EscpPicture DrawEscpPage(const EscpPage& page) {
    EscpPicture picture;
    const int paperHeight = std::max(page.Height(), 1);
    QImage image(page.Width(), paperHeight + kFooterHeight, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < page.Height(); ++y) {
        uchar* line = image.scanLine(y);
        const std::uint8_t* dots = page.Dots().data() + static_cast<std::size_t>(y) * page.Width();
        for (int x = 0; x < page.Width(); ++x)
            if (dots[x] != 0) line[x] = 0;
    }

    std::size_t unmapped = 0;
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        painter.setFont(PrinterFont());
        painter.scale(kAcross, 1.0);
        for (const EscpPage::TextRun& run : page.Text()) unmapped += DrawRun(painter, run);
    }
    picture.unknownBytes = page.UnknownBytes() + unmapped;
    if (picture.unknownBytes == 0) {
        picture.image = image.copy(0, 0, image.width(), paperHeight);
        return picture;
    }
    QPainter painter(&image);
    painter.fillRect(QRect(0, paperHeight, image.width(), kFooterHeight), QColor(200, 200, 200));
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPixelSize(16);
    painter.setFont(font);
    painter.drawText(QRect(6, paperHeight, image.width() - 12, kFooterHeight), Qt::AlignVCenter,
                     QStringLiteral("unknown bytes: %1").arg(picture.unknownBytes));
    painter.end();
    picture.image = image;
    return picture;
}
