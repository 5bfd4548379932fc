// The main window's sharing: the Share Album command and its dialog, and the receiving of a
// package named on the command line (at start-up, or handed over later by a second start).

#include "frmMainU.h"

#include "TMainLayout.h"
#include "frmReceiveU.h"
#include "frmShare2U.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSignalBlocker>
#include <QTimer>

using mainlayout::ParseCommandLine;
using mainlayout::TCommandLine;
using mainlayout::TStartAction;

void TfrmMain::ConnectShareCommands() {
    frmShare2_ = new TfrmShare2(*catalog_, *albumView_, *help_, *hints_, messages_, this);
    frmReceive_ = new TfrmReceive(*catalog_, this);
    connect(Command("Share"), &QAction::triggered, this, [this] { ShareExecute(); });
}

void TfrmMain::ShareExecute() {
    // Only an album of the album list can be shared, never the search results.
    if (searchMode_ || albumView_->OpenAlbumName().empty()) return;
    frmShare2_->exec();
}

void TfrmMain::ReceivePackage(const std::string& path) {
    frmReceive_->SetPackage(path);
    frmReceive_->exec();
    if (!frmReceive_->Succeeded()) return;
    // The new line stands just before the reserved last line; the received album is opened.
    LoadAlbumBox();
    const int line = static_cast<int>(catalog_->AlbumList().size()) - 2;
    if (line >= 0) ComboBox1Change(line);
}

void TfrmMain::ActOnArguments(const std::vector<std::string>& args) {
    const TCommandLine cmd = ParseCommandLine(args);
    if (cmd.action == TStartAction::OpenAlbum) OpenAlbumFromPath(cmd.path);
    // The dialog opens from the event loop: at start-up this runs inside the window's first
    // showing, which is to be complete before the dialog's own event loop starts.
    if (cmd.action == TStartAction::ReceivePackage)
        QTimer::singleShot(0, this, [this, path = cmd.path] { ReceivePackage(path); });
}

void TfrmMain::ArgumentsHandedOver(std::vector<std::string> args, const std::string& workingFolder, bool raise) {
    if (raise) {
        if (isMinimized()) showNormal();
        this->raise();
        activateWindow();
    }
    // A dialog that is open (an export running, another package being received) finishes first;
    // the window came to the front once, and is not pulled over that dialog again while waiting.
    if (QApplication::activeModalWidget() || !firstShown_) {
        QTimer::singleShot(300, this,
                           [this, args, workingFolder] { ArgumentsHandedOver(args, workingFolder, false); });
        return;
    }
    if (args.size() >= 2 && !args[1].empty() && args[1][0] != '/' && !workingFolder.empty())
        args[1] = workingFolder + "/" + args[1];
    ActOnArguments(args);
}
