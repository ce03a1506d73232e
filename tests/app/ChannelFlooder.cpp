// channel-flooder PATH COUNT: floods the local channel at PATH with COUNT
// idle connections (QLocalSocket, never a byte sent), each one connected
// again the moment it is dropped. Says "flooding" once all are asked for.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    const QString path = QString::fromLocal8Bit(argv[1]);
    for (int i = std::atoi(argv[2]); i > 0; --i) {
        auto* socket = new QLocalSocket(&app);
        QObject::connect(socket, &QLocalSocket::stateChanged, socket, [socket, path](auto state) {
            if (state != QLocalSocket::UnconnectedState) return;
            QTimer::singleShot(0, socket, [socket, path] {
                if (socket->state() == QLocalSocket::UnconnectedState)
                    socket->connectToServer(path);
            });
        });
        socket->connectToServer(path);
    }
    std::printf("flooding\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
