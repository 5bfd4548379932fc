#include "TSingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {

const std::string kMagic = "LUMAVELL2-ARGS\n";
constexpr std::size_t kMaxItems = 256;
constexpr std::size_t kMaxItemBytes = 1 << 16;
constexpr char kAck = '1';

void PutU32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += char((v >> shift) & 0xFF);
}

bool GetU32(const std::string& in, std::size_t& at, std::uint32_t& v) {
    if (at + 4 > in.size()) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(in[at + std::size_t(i)]);
    at += 4;
    return true;
}

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

}  // namespace

TSingleInstance::TSingleInstance(std::string socketPath) : path_(std::move(socketPath)) {}

TSingleInstance::~TSingleInstance() {
    if (server_) server_->close();
    if (lock_ && locked_) lock_->unlock();
}

std::string TSingleInstance::DefaultSocketPath(const std::string& documentsFolder) {
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) runtime = QDir::tempPath() + "/lumavell2-" + QString::number(::getuid());
    QDir().mkpath(runtime);
    // FNV-1a: the same name in every copy of the program.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : documentsFolder) hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "/lumavell2-%016llx.socket", static_cast<unsigned long long>(hash));
    return runtime.toLocal8Bit().toStdString() + name;
}

std::string TSingleInstance::Encode(const std::string& workingFolder, const std::vector<std::string>& args) {
    std::string out = kMagic;
    PutU32(out, std::uint32_t(args.size() + 1));
    PutU32(out, std::uint32_t(workingFolder.size()));
    out += workingFolder;
    for (const std::string& a : args) {
        PutU32(out, std::uint32_t(a.size()));
        out += a;
    }
    return out;
}

bool TSingleInstance::Decode(const std::string& bytes, std::string& workingFolder, std::vector<std::string>& args,
                             bool* bad) {
    if (bad) *bad = false;
    auto malformed = [&] {
        if (bad) *bad = true;
        return false;
    };
    const std::size_t head = std::min(bytes.size(), kMagic.size());
    if (bytes.compare(0, head, kMagic, 0, head) != 0) return malformed();
    std::size_t at = kMagic.size();
    std::uint32_t count = 0;
    if (!GetU32(bytes, at, count)) return false;
    if (count < 1 || count > kMaxItems) return malformed();
    std::vector<std::string> items;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t len = 0;
        if (!GetU32(bytes, at, len)) return false;
        if (len > kMaxItemBytes) return malformed();
        if (at + len > bytes.size()) return false;
        items.push_back(bytes.substr(at, len));
        at += len;
    }
    if (at != bytes.size()) return malformed();
    workingFolder = items.front();
    args.assign(items.begin() + 1, items.end());
    return true;
}

bool TSingleInstance::TryLock() {
    if (locked_) return true;
    if (!lock_) {
        lock_ = std::make_unique<QLockFile>(Q(path_ + ".lock"));
        // Only a lock whose process has ended is stale, however old it is.
        lock_->setStaleLockTime(0);
    }
    locked_ = lock_->tryLock(0);
    return locked_;
}

bool TSingleInstance::IsRunningCopy() const { return locked_; }

bool TSingleInstance::HandOver(const std::vector<std::string>& args, int waitMs) {
    if (TryLock()) return false;
    char cwd[4096];
    const std::string message = Encode(::getcwd(cwd, sizeof cwd) ? cwd : "", args);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    // The running copy may still be starting (locked, not yet listening) or may just have ended.
    while (std::chrono::steady_clock::now() < until) {
        QLocalSocket socket;
        socket.connectToServer(Q(path_));
        if (socket.waitForConnected(500)) {
            socket.write(message.data(), qint64(message.size()));
            if (socket.waitForBytesWritten(waitMs) && socket.waitForReadyRead(waitMs)) {
                const QByteArray answer = socket.readAll();
                if (answer.startsWith(kAck)) return true;
            }
            socket.abort();
        }
        if (TryLock()) return false;
        QThread::msleep(100);
    }
    return false;
}

bool TSingleInstance::Listen(Handler handler) {
    if (!locked_) return false;
    handler_ = std::move(handler);
    // Holding the lock, any socket file there is a crashed copy's.
    QLocalServer::removeServer(Q(path_));
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(Q(path_))) {
        server_.reset();
        return false;
    }
    QLocalServer* server = server_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            auto buffer = std::make_shared<std::string>();
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // A start that never finishes its message is dropped.
            QTimer::singleShot(10000, socket, [socket] { socket->abort(); });
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
                const QByteArray chunk = socket->readAll();
                buffer->append(chunk.constData(), std::size_t(chunk.size()));
                std::string folder;
                std::vector<std::string> args;
                bool bad = false;
                if (!Decode(*buffer, folder, args, &bad)) {
                    if (bad) socket->abort();
                    return;
                }
                socket->write(&kAck, 1);
                socket->flush();
                socket->disconnectFromServer();
                // The start is answered first: the handler may open a modal dialog.
                Handler handler = handler_;
                QTimer::singleShot(0, server_.get(), [handler, args, folder] {
                    if (handler) handler(args, folder);
                });
            });
        }
    });
    return true;
}
