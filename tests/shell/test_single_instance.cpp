// One copy per user, with real processes: a second start hands its command line to the running
// copy and ends; a copy killed without cleaning up does not block the next start.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <csignal>
#include <filesystem>

#include "TSingleInstance.h"
#include "TestSupport.h"

using testsupport::ReadAll;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// QProcess needs an application object.
void App() {
    static int argc = 1;
    static char name[] = "test_shell";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// Starts a probe that is to become the running copy and waits for it to say so (or to end).
bool StartRunning(QProcess& p, const std::string& socket, const std::string& out) {
    p.start(LUMAVELL_PROBE, {QString::fromStdString(socket), QString::fromStdString(out)});
    if (!p.waitForStarted(-1)) return false;
    while (!p.canReadLine()) {
        if (!p.waitForReadyRead(-1)) return false;  // ended
    }
    return p.readLine().startsWith("ready");
}

// Runs a second start with these arguments from folder; its exit code.
int SecondStart(const std::string& socket, const std::string& out, const QStringList& args, const std::string& folder) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(folder));
    p.start(LUMAVELL_PROBE, QStringList{QString::fromStdString(socket), QString::fromStdString(out)} + args);
    if (!p.waitForFinished(-1)) return -1;
    return p.exitCode();
}

// Waits until the running copy says it has written the next handed command line.
bool WaitForHanded(QProcess& running) {
    while (!running.canReadLine()) {
        if (!running.waitForReadyRead(-1)) return false;  // ended
    }
    return running.readLine().startsWith("handed");
}

}  // namespace

TEST(SingleInstance, MessageEncoding) {
    const std::string m = TSingleInstance::Encode("/home/ann", {"/ALBUM", "Trip \xe9.xal", ""});
    std::string folder;
    std::vector<std::string> args;
    ASSERT_TRUE(TSingleInstance::Decode(m, folder, args));
    EXPECT_EQ(folder, "/home/ann");
    EXPECT_EQ(args, (std::vector<std::string>{"/ALBUM", "Trip \xe9.xal", ""}));
    bool bad = true;
    for (std::size_t cut = 0; cut < m.size(); ++cut) {
        EXPECT_FALSE(TSingleInstance::Decode(m.substr(0, cut), folder, args, &bad));
        EXPECT_FALSE(bad) << cut;  // incomplete, not malformed
    }
    EXPECT_FALSE(TSingleInstance::Decode("GET / HTTP/1.0\r\n", folder, args, &bad));
    EXPECT_TRUE(bad);
    EXPECT_FALSE(TSingleInstance::Decode(m + "x", folder, args, &bad));
    EXPECT_TRUE(bad);
}

TEST(SingleInstance, SocketPerCatalog) {
    const std::string a = TSingleInstance::DefaultSocketPath("/home/ann/Documents");
    EXPECT_EQ(a, TSingleInstance::DefaultSocketPath("/home/ann/Documents"));
    EXPECT_NE(a, TSingleInstance::DefaultSocketPath("/home/ann/Dokumente"));
    EXPECT_NE(a.find("/lumavell2-"), std::string::npos);
    EXPECT_EQ(a.substr(a.size() - 7), ".socket");
}

TEST(SingleInstance, SecondStartHandsOverAndStaleLockIsTakenOver) {
    App();
    TempDir dir;
    const std::string socket = dir.file("s.socket");
    const std::string out = dir.file("handed.txt");
    fs::create_directories(dir.file("here"));

    QProcess first;
    ASSERT_TRUE(StartRunning(first, socket, out));
    EXPECT_EQ(SecondStart(socket, out, {"/ALBUM", "Trip.xal"}, dir.file("here")), 0);
    ASSERT_TRUE(WaitForHanded(first));
    EXPECT_EQ(ReadAll(out), dir.file("here") + "|/ALBUM|Trip.xal\n");

    // The running copy dies without cleaning up: its lock file and socket stay behind.
    ::kill(pid_t(first.processId()), SIGKILL);
    first.waitForFinished(-1);
    EXPECT_TRUE(fs::exists(socket + ".lock"));
    QProcess next;
    ASSERT_TRUE(StartRunning(next, socket, out));
    EXPECT_EQ(SecondStart(socket, out, {"/OPENCOL", "/x/Holiday.col"}, dir.str()), 0);
    ASSERT_TRUE(WaitForHanded(next));
    EXPECT_EQ(SecondStart(socket, out, {"quit"}, dir.str()), 0);
    EXPECT_TRUE(next.waitForFinished(-1));
    EXPECT_EQ(next.exitCode(), 0);
    EXPECT_EQ(ReadAll(out), dir.file("here") + "|/ALBUM|Trip.xal\n" + dir.str() + "|/OPENCOL|/x/Holiday.col\n" +
                                dir.str() + "|quit\n");

    // With no copy running, a start becomes the running copy itself.
    QProcess alone;
    ASSERT_TRUE(StartRunning(alone, socket, out));
    alone.kill();
    alone.waitForFinished(-1);
}
