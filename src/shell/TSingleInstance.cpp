#include "TSingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
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

// The lock file holds its owner's process number and socket path, one a line.
constexpr std::size_t kMaxLockFileBytes = 4096;

std::string NewRequestId() {
    std::random_device random;
    char id[33];
    std::snprintf(id, sizeof id, "%08x%08x%08x%08x", random(), random(), random(), random());
    return id;
}

// The socket the lock's owner listens on, as its lock file names it ("" while it is unknown).
std::string OwnerSocket(const std::string& lockPath) {
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return "";
    char bytes[kMaxLockFileBytes];
    const ssize_t n = ::read(fd, bytes, sizeof bytes);
    ::close(fd);
    if (n <= 0) return "";
    const std::string text(bytes, std::size_t(n));
    const std::size_t first = text.find('\n');
    if (first == std::string::npos) return "";
    const std::size_t second = text.find('\n', first + 1);
    if (second == std::string::npos) return "";  // still being written
    return text.substr(first + 1, second - first - 1);
}

// Hands the message to the copy listening at path; true when it answered that it took it.
// Once the message is sent it stays on this one connection until the running copy answers or
// ends, however long that copy is busy: sending it again could have it acted on twice.
bool HandTo(const std::string& path, const std::string& message, const std::function<void()>& pump) {
    QLocalSocket socket;
    socket.connectToServer(Q(path));
    if (!socket.waitForConnected(1000)) return false;
    socket.write(message.data(), qint64(message.size()));
    while (socket.bytesToWrite() > 0) {
        if (socket.state() != QLocalSocket::ConnectedState) return false;
        socket.waitForBytesWritten(250);
        pump();
    }
    for (;;) {
        if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(250)) return socket.read(1) == QByteArray(1, kAck);
        if (socket.state() == QLocalSocket::UnconnectedState) return false;
        pump();
    }
}

}  // namespace

TSingleInstance::TSingleInstance(std::string catalogFolder, std::string runtimeFolder)
    : catalog_(std::move(catalogFolder)), runtime_(std::move(runtimeFolder)) {}

TSingleInstance::~TSingleInstance() {
    if (server_) server_->close();
    // The lock file itself stays: a start that opened it a moment ago must lock the same file
    // as the start after it.
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::string TSingleInstance::DefaultRuntimeFolder() {
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) runtime = QDir::tempPath() + "/lumavell2-" + QString::number(::getuid());
    QDir().mkpath(runtime);
    return runtime.toLocal8Bit().toStdString();
}

std::string TSingleInstance::SocketPathFor(const std::string& realCatalogFolder, const std::string& runtimeFolder) {
    // FNV-1a: the same name in every copy of the program.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : realCatalogFolder) hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "/lumavell2-%016llx.socket", static_cast<unsigned long long>(hash));
    return runtimeFolder + name;
}

std::string TSingleInstance::Encode(const std::string& requestId, const std::string& workingFolder,
                                    const std::vector<std::string>& args) {
    std::string out = kMagic;
    PutU32(out, std::uint32_t(args.size() + 2));
    PutU32(out, std::uint32_t(requestId.size()));
    out += requestId;
    PutU32(out, std::uint32_t(workingFolder.size()));
    out += workingFolder;
    for (const std::string& a : args) {
        PutU32(out, std::uint32_t(a.size()));
        out += a;
    }
    return out;
}

bool TSingleInstance::Decode(const std::string& bytes, std::string& requestId, std::string& workingFolder,
                             std::vector<std::string>& args, bool* bad) {
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
    if (count < 2 || count > kMaxItems) return malformed();
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
    requestId = items[0];
    workingFolder = items[1];
    args.assign(items.begin() + 2, items.end());
    return true;
}

TSingleInstance::TLock TSingleInstance::TryLock() {
    if (lockFd_ >= 0) return TLock::Taken;
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return TLock::Impossible;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lockFd_ = fd;
        return TLock::Taken;
    }
    const int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? TLock::Held : TLock::Impossible;
}

TSingleInstance::TStart TSingleInstance::Start(const std::vector<std::string>& args, std::function<void()> notice,
                                               int noticeMs) {
    std::error_code ec;
    std::filesystem::create_directories(catalog_, ec);
    // Every path to the catalog (a home folder reached through a link, another mount of it)
    // meets at the same lock file and the same socket name.
    char* real = ::realpath(catalog_.c_str(), nullptr);
    if (!real) return TStart::Unlocked;
    const std::string realFolder = real;
    std::free(real);
    lockPath_ = realFolder + "/" + kLockName;
    socketPath_ = SocketPathFor(realFolder, runtime_.empty() ? DefaultRuntimeFolder() : runtime_);

    char cwd[4096];
    const std::string message = Encode(NewRequestId(), ::getcwd(cwd, sizeof cwd) ? cwd : "", args);
    QElapsedTimer waited;
    waited.start();
    bool noticed = false;
    const std::function<void()> pump = [&] {
        if (!noticed && notice && waited.elapsed() >= noticeMs) {
            noticed = true;
            notice();
        }
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    };
    // The running copy may be busy, still starting (locked, not yet listening) or just ending;
    // only when its lock is free does this start work on the catalog itself.
    for (;;) {
        switch (TryLock()) {
        case TLock::Taken:
            Listen();
            return TStart::Running;
        case TLock::Impossible:
            return TStart::Unlocked;
        case TLock::Held:
            break;
        }
        const std::string owner = OwnerSocket(lockPath_);
        if (!owner.empty() && HandTo(owner, message, pump)) return TStart::HandedOver;
        pump();
        QThread::msleep(100);
    }
}

bool TSingleInstance::Listen() {
    if (lockFd_ < 0) return false;
    auto tryListen = [this](const std::string& path) {
        // Holding the lock, any socket file of this name is a crashed copy's.
        QLocalServer::removeServer(Q(path));
        auto server = std::make_unique<QLocalServer>();
        server->setSocketOptions(QLocalServer::UserAccessOption);
        if (!server->listen(Q(path))) return false;
        server_ = std::move(server);
        socketPath_ = path;
        return true;
    };
    if (!tryListen(socketPath_)) {
        const std::string fallback = (QDir::tempPath() + "/lumavell2-" + QString::number(::getuid())).toStdString();
        QDir().mkpath(Q(fallback));
        const std::string real = lockPath_.substr(0, lockPath_.size() - std::string(kLockName).size() - 1);
        if (!tryListen(SocketPathFor(real, fallback))) socketPath_.clear();
    }
    // The lock file tells later starts where to find this copy, whatever their runtime folder.
    // It is written in place: the lock belongs to this very file, which must not be replaced.
    const std::string text = std::to_string(::getpid()) + "\n" + socketPath_ + "\n";
    if (::ftruncate(lockFd_, 0) != 0 || ::pwrite(lockFd_, text.data(), text.size(), 0) != ssize_t(text.size()))
        return false;
    if (!server_) return false;

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
                std::string id;
                std::string folder;
                std::vector<std::string> args;
                bool bad = false;
                if (!Decode(*buffer, id, folder, args, &bad)) {
                    if (bad) socket->abort();
                    return;
                }
                Received(id, std::move(args), std::move(folder));
                socket->write(&kAck, 1);
                socket->flush();
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

void TSingleInstance::Received(const std::string& requestId, std::vector<std::string> args, std::string folder) {
    // A start whose answer was lost asks again with the same identifier: it is acted on once.
    if (!handled_.insert(requestId).second) return;
    Dispatch(std::move(args), std::move(folder));
}

void TSingleInstance::Dispatch(std::vector<std::string> args, std::string folder) {
    if (!handler_) {
        pending_.emplace_back(std::move(args), std::move(folder));
        return;
    }
    // The start is answered first: the handler may open a modal dialog.
    Handler handler = handler_;
    QTimer::singleShot(0, server_.get(), [handler, args = std::move(args), folder = std::move(folder)] {
        handler(args, folder);
    });
}

void TSingleInstance::SetHandler(Handler handler) {
    handler_ = std::move(handler);
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& [args, folder] : pending) Dispatch(std::move(args), std::move(folder));
}
