// marevox-companion: a stand-in for the companion survey program. It
// listens as "Kelvara" and prints every depth text Marevox sends, and sends
// Marevox ("Nereon") the mode texts, the process-now message and command ids.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "link/ChannelFolder.h"
#include "link/LocalChannelFrame.h"
#include "tools/common/CliArgs.h"

namespace {

const char kUsage[] =
    "usage: marevox-companion [listen] [--name NAME] [--to NAME] [--raw] [--stall]\n"
    "       marevox-companion send MESSAGE [--to NAME]\n"
    "\n"
    "listen  listens as NAME (default Kelvara) and prints every depth text\n"
    "        received, one per line with \\r and \\n shown (--raw: the bytes\n"
    "        as they came). Messages typed on standard input are sent too.\n"
    "        --stall: a companion that has hung: it takes the name but never\n"
    "        accepts a connection (for trying out the program against one).\n"
    "send    sends one message to NAME (default Nereon) and ends.\n"
    "\n"
    "A NAME that is not a path lives in the channel folder: $XDG_RUNTIME_DIR,\n"
    "or marevox-<uid> in $TMPDIR or /tmp when there is none.\n"
    "\n"
    "Messages:\n"
    "  simple         the text OV-Simple (compact window)\n"
    "  usual          the text OV-Usual (full window)\n"
    "  piling N       the text OV-Piling with N in five digits (event mark N)\n"
    "  text TEXT      any text\n"
    "  process        the process-now message\n"
    "  command ID     a command id, e.g. 32776 (connect), 32815 (channel 0x80)\n";

// The frame for one message typed as words; empty with an error when the
// words are not a message.
std::string MessageFrame(const std::string& line, std::string* error) {
    char word[32] = {};
    int used = 0;
    if (std::sscanf(line.c_str(), " %31s %n", word, &used) < 1) {
        *error = "empty message";
        return {};
    }
    const std::string verb = word;
    const std::string rest = line.substr(static_cast<std::size_t>(used));
    if (verb == "simple") return EncodeCopyData("OV-Simple");
    if (verb == "usual") return EncodeCopyData("OV-Usual");
    if (verb == "process") return EncodeProcessNow();
    if (verb == "text") return EncodeCopyData(rest);
    char* end = nullptr;
    const long number = std::strtol(rest.c_str(), &end, 10);
    const bool isNumber = !rest.empty() && end != nullptr && *end == '\0';
    if (verb == "piling" && isNumber && number >= 0 && number <= 99999) {
        char text[32];
        std::snprintf(text, sizeof text, "OV-Piling%05ld", number);
        return EncodeCopyData(text);
    }
    if (verb == "command" && isNumber && number >= 0 && number <= 0xFFFFFFFFL)
        return EncodeCommand(static_cast<std::uint32_t>(number));
    *error = "not a message: \"" + line + "\"";
    return {};
}

bool Send(const QString& name, const std::string& frame) {
    QLocalSocket socket;
    socket.connectToServer(name, QIODevice::WriteOnly);
    if (!socket.waitForConnected(1000)) {
        std::fprintf(stderr, "marevox-companion: nobody listens as %s\n",
                     name.toLocal8Bit().constData());
        return false;
    }
    socket.write(frame.data(), static_cast<qint64>(frame.size()));
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(1000)) {
    }
    const bool sent = socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return sent;
}

std::string Visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

// Listens under a name: refuses when another program answers on it, and
// clears a name left behind by a program that ended without closing.
bool Listen(QLocalServer& server, const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(300)) {
        std::fprintf(stderr, "marevox-companion: another program already listens as %s\n",
                     name.toLocal8Bit().constData());
        return false;
    }
    QLocalServer::removeServer(name);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(name)) {
        std::fprintf(stderr, "marevox-companion: cannot listen as %s: %s\n",
                     name.toLocal8Bit().constData(),
                     server.errorString().toLocal8Bit().constData());
        return false;
    }
    return true;
}

// Takes the name with a queue of connections that one connection of its own
// fills, and never accepts: every later connection attempt finds it busy.
int Stall(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return 1;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    ::unlink(path.c_str());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const int filler = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const auto* where = reinterpret_cast<const sockaddr*>(&address);
    if (::bind(listener, where, sizeof address) != 0 || ::listen(listener, 0) != 0) {
        std::fprintf(stderr, "marevox-companion: cannot listen as %s\n", path.c_str());
        return 1;
    }
    ::connect(filler, where, sizeof address);
    std::fprintf(stderr, "marevox-companion: stalled as %s\n", path.c_str());
    for (;;) ::pause();
}

void Accept(QLocalServer& server, bool raw) {
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        if (!PeerIsCurrentUser(static_cast<int>(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto decoder = std::make_shared<LocalChannelDecoder>();
        auto take = [socket, decoder, raw] {
            const QByteArray bytes = socket->readAll();
            decoder->Feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            LocalChannelFrame frame;
            LocalChannelDecoder::Status status;
            while ((status = decoder->Next(&frame)) == LocalChannelDecoder::Status::kFrame) {
                if (frame.id != LocalChannelFrame::kCopyData) continue;
                if (raw) {
                    std::fwrite(frame.payload.data(), 1, frame.payload.size(), stdout);
                } else {
                    std::printf("%s\n", Visible(frame.payload).c_str());
                }
                std::fflush(stdout);
            }
            if (status == LocalChannelDecoder::Status::kMalformed) socket->abort();
        };
        QObject::connect(socket, &QLocalSocket::readyRead, socket, take);
        QObject::connect(socket, &QLocalSocket::disconnected, socket, [socket, take] {
            take();
            socket->deleteLater();
        });
        take();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    CliArgs args(argc, argv, 1, {"raw", "stall", "help"});
    if (args.Has("help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!args.Error().empty()) {
        std::fprintf(stderr, "marevox-companion: %s\n\n%s", args.Error().c_str(), kUsage);
        return 2;
    }
    const auto& words = args.Positional();
    const ChannelFolder channels = ChannelFolder::Find();
    if (!channels.error.empty()) {
        std::fprintf(stderr, "marevox-companion: no safe channel folder: %s\n",
                     channels.error.c_str());
        return 1;
    }
    const auto place = [&](const char* option, const char* name) {
        return QString::fromStdString(channels.NamePath(args.Value(option).value_or(name)));
    };
    const QString to = place("to", "Nereon");

    if (!words.empty() && words[0] == "send") {
        std::string line;
        for (std::size_t i = 1; i < words.size(); ++i) line += (i > 1 ? " " : "") + words[i];
        std::string error;
        const std::string frame = MessageFrame(line, &error);
        if (frame.empty()) {
            std::fprintf(stderr, "marevox-companion: %s\n\n%s", error.c_str(), kUsage);
            return 2;
        }
        return Send(to, frame) ? 0 : 1;
    }
    if (!words.empty() && words[0] != "listen") {
        std::fprintf(stderr, "marevox-companion: unknown mode \"%s\"\n\n%s", words[0].c_str(),
                     kUsage);
        return 2;
    }

    const QString name = place("name", "Kelvara");
    if (args.Has("stall")) return Stall(name.toStdString());
    QLocalServer server;
    if (!Listen(server, name)) return 1;
    const bool raw = args.Has("raw");
    QObject::connect(&server, &QLocalServer::newConnection, [&] { Accept(server, raw); });
    std::fprintf(stderr, "marevox-companion: listening as %s; messages for %s on standard input\n",
                 name.toLocal8Bit().constData(), to.toLocal8Bit().constData());

    // Messages typed on standard input go to Marevox.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string typed;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);  // end of input: keep listening
            return;
        }
        typed.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = typed.find('\n')) != std::string::npos;) {
            const std::string line = typed.substr(0, end);
            typed.erase(0, end + 1);
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            std::string error;
            const std::string frame = MessageFrame(line, &error);
            if (frame.empty()) {
                std::fprintf(stderr, "marevox-companion: %s\n", error.c_str());
            } else if (Send(to, frame)) {
                std::fprintf(stderr, "marevox-companion: sent %s\n", line.c_str());
            }
        }
    });
    return QCoreApplication::exec();
}
