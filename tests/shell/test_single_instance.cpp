// One copy per catalog, with real processes: a second start hands its command line to the running
// copy and ends, also while that copy shows a message box at start-up, while it is busy, and when
// the catalog is reached by another path or with another runtime folder; a copy killed without
// cleaning up does not block the next start. In every case one process works on the catalog and
// the handed-over request is acted on once.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "TSingleInstance.h"
#include "TestSupport.h"

using testsupport::ReadAll;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// Waits for events (process output, process end) no longer than this; never a measured delay.
constexpr int kEventWaitMs = 60000;

// QProcess needs an application object.
void App() {
    static int argc = 1;
    static char name[] = "test_shell";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// One start of the stand-in program on a catalog.
class Probe {
public:
    Probe(const std::string& catalog, const std::string& out, const QStringList& args,
          const std::string& folder = "", const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        p_.setProcessEnvironment(env);
        if (!folder.empty()) p_.setWorkingDirectory(Q(folder));
        p_.start(LUMAVELL_PROBE, QStringList{Q(catalog), Q(out)} + args);
        if (p_.waitForStarted(kEventWaitMs)) pid_ = p_.processId();
    }
    ~Probe() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished(kEventWaitMs);
        }
    }
    // Waits until the probe has printed a line starting with prefix on stdout.
    bool WaitForLine(const std::string& prefix) {
        for (;;) {
            while (p_.canReadLine()) {
                const std::string line = p_.readLine().trimmed().toStdString();
                if (line.rfind(prefix, 0) == 0) return true;
            }
            if (p_.state() == QProcess::NotRunning || !p_.waitForReadyRead(kEventWaitMs)) return false;
        }
    }
    // Waits until the probe has printed text on stderr.
    bool WaitForError(const std::string& text) {
        p_.setReadChannel(QProcess::StandardError);
        std::string seen;
        for (;;) {
            seen += p_.readAllStandardError().toStdString();
            if (seen.find(text) != std::string::npos) return true;
            if (p_.state() == QProcess::NotRunning || !p_.waitForReadyRead(kEventWaitMs)) return false;
        }
    }
    void Tell() {
        p_.write("go\n");
        p_.waitForBytesWritten(kEventWaitMs);
    }
    // The exit code, once the probe has ended; -1 when it does not end.
    int Finish() {
        if (!p_.waitForFinished(kEventWaitMs)) return -1;
        return p_.exitStatus() == QProcess::NormalExit ? p_.exitCode() : -1;
    }
    bool Running() const { return p_.state() != QProcess::NotRunning; }
    qint64 Pid() const { return pid_; }

private:
    QProcess p_;
    qint64 pid_ = 0;
};

// A catalog folder and the file its running copy writes the handed-over requests to.
struct Scene {
    TempDir dir;
    std::string catalog = dir.file("home/Documents/My Pictures/My Albums");
    std::string out = dir.file("handed.txt");
    Scene() {
        App();
        fs::create_directories(catalog);
    }
    std::string Owners() const { return ReadAll(catalog + "/owners.log"); }
    // Ends the running copy through a last hand-over; true when it ended normally.
    bool Quit(Probe& running) {
        Probe quit(catalog, out, {"quit"}, dir.str());
        return quit.Finish() == 0 && running.Finish() == 0;
    }
};

int Lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(SingleInstance, MessageEncoding) {
    const std::string m = TSingleInstance::Encode("id7", "/home/ann", {"/ALBUM", "Trip \xe9.xal", ""});
    std::string id;
    std::string folder;
    std::vector<std::string> args;
    ASSERT_TRUE(TSingleInstance::Decode(m, id, folder, args));
    EXPECT_EQ(id, "id7");
    EXPECT_EQ(folder, "/home/ann");
    EXPECT_EQ(args, (std::vector<std::string>{"/ALBUM", "Trip \xe9.xal", ""}));
    bool bad = true;
    for (std::size_t cut = 0; cut < m.size(); ++cut) {
        EXPECT_FALSE(TSingleInstance::Decode(m.substr(0, cut), id, folder, args, &bad));
        EXPECT_FALSE(bad) << cut;  // incomplete, not malformed
    }
    EXPECT_FALSE(TSingleInstance::Decode("GET / HTTP/1.0\r\n", id, folder, args, &bad));
    EXPECT_TRUE(bad);
    EXPECT_FALSE(TSingleInstance::Decode(m + "x", id, folder, args, &bad));
    EXPECT_TRUE(bad);
}

TEST(SingleInstance, SocketPerCatalog) {
    const std::string a = TSingleInstance::SocketPathFor("/home/ann/Documents/My Pictures/My Albums", "/run/u");
    EXPECT_EQ(a, TSingleInstance::SocketPathFor("/home/ann/Documents/My Pictures/My Albums", "/run/u"));
    EXPECT_NE(a, TSingleInstance::SocketPathFor("/home/ann/Dokumente/My Pictures/My Albums", "/run/u"));
    EXPECT_EQ(a.rfind("/run/u/lumavell2-", 0), 0u);
    EXPECT_EQ(a.substr(a.size() - 7), ".socket");
}

TEST(SingleInstance, SecondStartHandsOverAndStaleLockIsTakenOver) {
    Scene s;
    fs::create_directories(s.dir.file("here"));
    {
        Probe first(s.catalog, s.out, {});
        ASSERT_TRUE(first.WaitForLine("ready"));
        Probe second(s.catalog, s.out, {"/ALBUM", "Trip.xal"}, s.dir.file("here"));
        EXPECT_EQ(second.Finish(), 0);
        ASSERT_TRUE(first.WaitForLine("handed"));
        EXPECT_EQ(ReadAll(s.out), s.dir.file("here") + "|/ALBUM|Trip.xal\n");

        // The running copy dies without cleaning up: its lock file and socket stay behind.
        ::kill(pid_t(first.Pid()), SIGKILL);
        EXPECT_EQ(first.Finish(), -1);
    }
    EXPECT_TRUE(fs::exists(s.catalog + "/" + TSingleInstance::kLockName));
    Probe next(s.catalog, s.out, {});
    ASSERT_TRUE(next.WaitForLine("ready"));
    EXPECT_EQ(Probe(s.catalog, s.out, {"/OPENCOL", "/x/Holiday.col"}, s.dir.str()).Finish(), 0);
    ASSERT_TRUE(next.WaitForLine("handed"));
    EXPECT_TRUE(s.Quit(next));
    EXPECT_EQ(ReadAll(s.out), s.dir.file("here") + "|/ALBUM|Trip.xal\n" + s.dir.str() + "|/OPENCOL|/x/Holiday.col\n" +
                                  s.dir.str() + "|quit\n");
    EXPECT_EQ(Lines(s.Owners()), 2);  // the killed copy, then the next
}

TEST(SingleInstance, AStartWhileTheRunningCopyShowsAMessageBoxIsQueuedUntilItsWindowsAreReady) {
    Scene s;
    Probe first(s.catalog, s.out, {"--modal"});
    ASSERT_TRUE(first.WaitForLine("modal"));
    // The second start is answered at once, though the first has no windows yet.
    Probe second(s.catalog, s.out, {"/ALBUM", "/p/Trip.xal"}, s.dir.str());
    EXPECT_EQ(second.Finish(), 0);
    EXPECT_EQ(ReadAll(s.out), "");  // kept until the windows are ready
    first.Tell();                   // the message box is answered
    ASSERT_TRUE(first.WaitForLine("handed"));
    EXPECT_TRUE(s.Quit(first));
    EXPECT_EQ(ReadAll(s.out), s.dir.str() + "|/ALBUM|/p/Trip.xal\n" + s.dir.str() + "|quit\n");
    EXPECT_EQ(s.Owners(), std::to_string(first.Pid()) + "\n");
}

TEST(SingleInstance, AStartWaitsForABusyRunningCopySaysSoAndNeverTakesTheCatalogOver) {
    Scene s;
    Probe first(s.catalog, s.out, {"--busy"});
    ASSERT_TRUE(first.WaitForLine("busy"));
    Probe second(s.catalog, s.out, {"/ALBUM", "/p/Trip.xal"}, s.dir.str());
    // However long the running copy is busy, the second start tells the user and goes on waiting.
    ASSERT_TRUE(second.WaitForError(TSingleInstance::kBusyNotice));
    EXPECT_TRUE(second.Running());
    EXPECT_EQ(s.Owners(), std::to_string(first.Pid()) + "\n");
    first.Tell();  // the long export is done
    EXPECT_EQ(second.Finish(), 0);
    ASSERT_TRUE(first.WaitForLine("handed"));
    EXPECT_TRUE(s.Quit(first));
    EXPECT_EQ(ReadAll(s.out), s.dir.str() + "|/ALBUM|/p/Trip.xal\n" + s.dir.str() + "|quit\n");
    EXPECT_EQ(s.Owners(), std::to_string(first.Pid()) + "\n");
}

TEST(SingleInstance, TheCatalogReachedThroughALinkedHomeFolderIsTheSameCatalog) {
    Scene s;
    fs::create_directory_symlink(s.dir.file("home"), s.dir.file("linked-home"));
    const std::string viaLink = s.dir.file("linked-home/Documents/My Pictures/My Albums");
    Probe first(s.catalog, s.out, {});
    ASSERT_TRUE(first.WaitForLine("ready"));
    EXPECT_EQ(Probe(viaLink, s.out, {"/OPENCOL", "/x/Holiday.col"}, s.dir.str()).Finish(), 0);
    ASSERT_TRUE(first.WaitForLine("handed"));
    EXPECT_TRUE(s.Quit(first));
    EXPECT_EQ(ReadAll(s.out), s.dir.str() + "|/OPENCOL|/x/Holiday.col\n" + s.dir.str() + "|quit\n");
    EXPECT_EQ(s.Owners(), std::to_string(first.Pid()) + "\n");
}

TEST(SingleInstance, AStartWithAnotherRuntimeFolderFindsTheRunningCopy) {
    Scene s;
    const std::string otherRuntime = s.dir.file("other-run");
    fs::create_directories(otherRuntime);
    fs::permissions(otherRuntime, fs::perms::owner_all);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", Q(otherRuntime));
    Probe first(s.catalog, s.out, {});
    ASSERT_TRUE(first.WaitForLine("ready"));
    EXPECT_EQ(Probe(s.catalog, s.out, {"/ALBUM", "/p/Trip.xal"}, s.dir.str(), env).Finish(), 0);
    ASSERT_TRUE(first.WaitForLine("handed"));
    EXPECT_TRUE(s.Quit(first));
    EXPECT_EQ(ReadAll(s.out), s.dir.str() + "|/ALBUM|/p/Trip.xal\n" + s.dir.str() + "|quit\n");
    EXPECT_EQ(s.Owners(), std::to_string(first.Pid()) + "\n");
    EXPECT_TRUE(fs::is_empty(otherRuntime));  // the second start made no socket of its own
}
