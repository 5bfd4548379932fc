// The main window's Import from Camera or Scanner command: the import dialog, created with the
// window and shown modally; the TWAIN engine works through the window's Qt host.

#include "frmMainU.h"

#include "TTwainQtHost.h"
#include "frmScan.h"

#include <QAction>

void TfrmMain::ConnectScanCommand() {
    twainHost_ = std::make_shared<TTwainQtHost>(messages_);
    TWAIN_SetHost(twainHost_.get());
    frmCamera_ = new TfrmCamera(*this, this);
    connect(Command("ImportScan"), &QAction::triggered, this, [this] { frmCamera_->exec(); });
}
