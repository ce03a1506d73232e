// Pictures drawn with the echogram view's widget-free column code.
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <algorithm>

#include "display/EchoColourTable.h"
#include "display/PingColumnPainter.h"
#include "display/RangeWindow.h"
#include "engine/XSound.h"
#include "tools/cli/EchogramPng.h"

namespace {

class QtEchogramPng : public EchogramPng {
public:
    explicit QtEchogramPng(std::string path) : m_path(std::move(path)) {
        // The mark labels need fonts, which need a GUI application; no
        // display is needed.
        if (QGuiApplication::instance() == nullptr) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
        }
    }

    void AddColumn(XSound& engine, std::uint32_t records) override {
        if (m_part == 0 && m_picture.isNull()) {
            m_remaining = records;
            m_split = m_remaining > kMaxColumns;
        }
        if (m_picture.isNull() || m_column == m_picture.width()) {
            if (!m_picture.isNull()) WritePicture(m_picture);
            const int width =
                static_cast<int>(std::clamp<std::uint32_t>(m_remaining, 1, kMaxColumns));
            m_picture = QImage(width, PingColumnPainter::kRows, QImage::Format_RGB32);
            m_picture.fill(ColourWordToRgb(engine.Sounding().Colour(XSound::kBack)));
            m_column = 0;
        }
        m_columns.Draw(engine, m_picture, nullptr, m_column);
        ++m_column;
        if (m_remaining > 0) --m_remaining;
    }

    void MarkDepth(XSound& engine, double metres) override {
        const int x = m_column - 1;
        if (m_picture.isNull() || x < 0) return;
        const RangeWindow window =
            RangeWindow::Of(engine.Sounding().RangeIndex(), engine.Sounding().RangeOffset());
        const double row = (metres - window.top) * PingColumnPainter::kRows / window.span;
        if (!(row >= 0.0 && row < PingColumnPainter::kRows)) return;
        const int y = static_cast<int>(row);
        m_picture.setPixel(x, y, kEditedLine);
        if (y + 1 < PingColumnPainter::kRows) m_picture.setPixel(x, y + 1, kEditedLine);
    }

    bool Finish(std::string* error) override {
        if (m_picture.isNull()) {
            *error = "no record could be drawn";
            return false;
        }
        // Unreadable records leave the last picture short of its width.
        WritePicture(m_column < m_picture.width()
                         ? m_picture.copy(0, 0, m_column, m_picture.height())
                         : m_picture);
        m_picture = QImage();
        if (!m_failed.empty()) *error = "cannot write " + m_failed;
        return m_failed.empty();
    }

private:
    void WritePicture(const QImage& picture) {
        const std::string file = PartPath(m_path, m_split, ++m_part);
        if (!picture.save(QString::fromStdString(file), "PNG") && m_failed.empty()) m_failed = file;
    }

    std::string m_path;
    std::uint32_t m_remaining = 0;  // records not drawn yet, at most
    bool m_split = false;
    int m_argc = 1;
    char m_name[12] = "marevox-cli";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_app;
    PingColumnPainter m_columns;
    QImage m_picture;
    int m_column = 0;
    int m_part = 0;
    std::string m_failed;
};

}  // namespace

std::unique_ptr<EchogramPng> EchogramPng::Create(const std::string& path, std::string* error) {
    (void)error;
    return std::make_unique<QtEchogramPng>(path);
}
