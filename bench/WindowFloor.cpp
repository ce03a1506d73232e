// The least a window can cost per ping on this display: a relay like the
// latency script's floor (read the frame from the terminal, send a sentence
// on TCP, ask for the next ping) on one thread, which also moves a window's
// picture by the pings that came and paints the new columns, as the
// echogram does. The window is WIDTH x HEIGHT (the echogram pane's size on
// the benchmark's screen); each ping takes WIDTH / 770 screen columns, as
// the 770 pings of the echogram are spread over the pane. With PACE_MS 0
// the window moves at every ping; otherwise a timer moves it every PACE_MS
// by however many pings came since. bench/latency.sh runs it beside the
// program to show the floor of the program's CPU per ping.
//
// usage: bench-window-floor DEVICE PORT [WIDTH HEIGHT [PACE_MS]]

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::array<uint8_t, 10> kCommand{0x20, 0x42, 0x60, 0, 0x10, 1, 0xA0, 0, 0xE5, 0};
constexpr uint8_t kFrameEnd = 0xCA;
constexpr int kBytesAfterEnd = 3;

constexpr int kPingsAcross = 770;

class ScrollingColumns : public QWidget {
public:
    void AddPing() { ++m_pings; }
    // Moves the picture by the screen columns of the pings since the last
    // move; the new columns are painted by Qt's next pass.
    void MoveToNewest() {
        const int shift = static_cast<int>(Boundary(m_pings) - Boundary(m_shownPings));
        m_shownPings = m_pings;
        m_columns += shift;
        if (shift > 0) scroll(-shift, 0);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        const int shade = (m_columns * 7) % 256;
        painter.fillRect(event->rect(), QColor(shade, 255 - shade, 128));
    }

private:
    // The screen column where the ping of this count begins.
    long long Boundary(long long pings) const { return pings * width() / kPingsAcross; }

    int m_columns = 0;
    long long m_pings = 0;
    long long m_shownPings = 0;
};

int ConnectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return -1;
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3 && argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: bench-window-floor DEVICE PORT [WIDTH HEIGHT [PACE_MS]]\n");
        return 2;
    }
    const int device = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
    const int out = ConnectTo(std::atoi(argv[2]));
    if (device < 0 || out < 0) {
        std::perror("bench-window-floor");
        return 1;
    }

    ScrollingColumns window;
    // By default the echogram pane of the program's window on a 1280 × 800
    // screen.
    window.resize(argc >= 5 ? std::atoi(argv[3]) : 1232, argc >= 5 ? std::atoi(argv[4]) : 640);
    window.show();
    const int pace = argc == 6 ? std::atoi(argv[5]) : 0;
    QTimer refresh;
    refresh.setTimerType(Qt::PreciseTimer);
    QObject::connect(&refresh, &QTimer::timeout, &window, &ScrollingColumns::MoveToNewest);

    std::vector<uint8_t> buffer;
    QSocketNotifier readable(device, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [&] {
        uint8_t chunk[4096];
        const ssize_t got = ::read(device, chunk, sizeof chunk);
        if (got <= 0) return;
        buffer.insert(buffer.end(), chunk, chunk + got);
        const auto end = std::find(buffer.begin(), buffer.end(), kFrameEnd);
        if (end == buffer.end() || buffer.end() - end < 1 + kBytesAfterEnd) return;
        buffer.erase(buffer.begin(), end + 1 + kBytesAfterEnd);
        static const char sentence[] = "DT 000800\r\n";
        (void)!::send(out, sentence, sizeof sentence - 1, MSG_NOSIGNAL);
        (void)!::write(device, kCommand.data(), kCommand.size());
        window.AddPing();
        if (pace <= 0)
            window.MoveToNewest();
        else if (!refresh.isActive())
            refresh.start(pace);
    });
    (void)!::write(device, kCommand.data(), kCommand.size());
    return app.exec();
}
