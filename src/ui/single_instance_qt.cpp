#include "ui/single_instance_qt.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace pm {

QString windowSocketName(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::canonical(dir, ec);
    if (ec)
        canonical = std::filesystem::absolute(dir, ec).lexically_normal();
    const QByteArray hash
        = QCryptographicHash::hash(QByteArray::fromStdString(canonical.string()), QCryptographicHash::Sha256)
              .toHex()
              .left(32);
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    return QDir(runtime).filePath(QStringLiteral("padmacro-") + QString::fromLatin1(hash));
}

WindowCalls::WindowCalls(const std::string& dir, std::function<void()> bringToFront)
    : server_(new QLocalServer(this))
    , bringToFront_(std::move(bringToFront))
{
    const QString name = windowSocketName(dir);
    // Whoever holds the folder's lock owns the name: a socket left by a
    // window that crashed is stale.
    QLocalServer::removeServer(name);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(name);
    QObject::connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* call = server_->nextPendingConnection()) {
            call->disconnectFromServer();
            call->deleteLater();
            bringToFront_();
        }
    });
}

bool callRunningWindow(const std::string& dir, int deadlineMs)
{
    const QString name = windowSocketName(dir);
    const QDeadlineTimer deadline(deadlineMs);
    // The first window listens right after taking the lock; a start that
    // comes in between waits for it.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) {
            socket.write("front\n");
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace pm
