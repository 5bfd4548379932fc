// The main window's side of the welcome pane, the About and Donate windows and the Help menu's
// web links: the windows are made here, and their links and buttons are carried out through the
// command table, the help requests and the desktop.
#include "frmMainU.h"

#include "THelp.h"
#include "TWebLinks.h"
#include "frmAboutU.h"
#include "frmDonateU.h"
#include "frmIWantU.h"

#include <QAction>

void TfrmMain::ConnectWelcome() {
    frmIWant_ = new TfrmIWant(Panel2);
    frmAbout_ = new TfrmAbout(settings_, this);
    frmDonate_ = new TfrmDonate(this);
    frmAbout_->SetInstallFolder(installFolder_);

    // "Task Launcher" and the pane go together: the check mark shows the pane, and whatever
    // clears the mark (a photo shown) hides it.
    if (QAction* launcher = TaskLauncher()) {
        connect(launcher, &QAction::toggled, frmIWant_, [this](bool on) {
            frmIWant_->setVisible(on);
            if (on) frmIWant_->raise();
        });
    }
    connect(frmIWant_, &TfrmIWant::LinkClicked, this, [this](int index) { WelcomeLinkClicked(index); });

    // "Share this album" can be used exactly when the Share Album command can: from the first
    // album opened on (never in the search results, which cannot be shared).
    QAction* share = Command("Share");
    auto syncShare = [this, share] {
        if (TWelcomeLink* link = frmIWant_->Link("lnkShareAlbum")) link->setEnabled(share->isEnabled());
    };
    syncShare();
    connect(share, &QAction::changed, frmIWant_, syncShare);

    connect(Command("About"), &QAction::triggered, this, [this] { AboutExecute(); });
    connect(frmAbout_, &TfrmAbout::DonateClicked, this, [this] { DonateExecute(); });
    auto web = [this](const char* item, const char* address) {
        if (QAction* a = findChild<QAction*>(item))
            connect(a, &QAction::triggered, this, [address] { OpenWebPage(address); });
    };
    web("GotoCorvane", weblinks::kMakerSite);
    web("GotoSupport", weblinks::kSupport);
    web("GotoWebPage", weblinks::kProductPage);
    if (QAction* donate = findChild<QAction*>("Donate"))
        connect(donate, &QAction::triggered, this, [this] { DonateExecute(); });
}

QAction* TfrmMain::TaskLauncher() const { return findChild<QAction*>("TaskLauncher"); }

void TfrmMain::ShowWelcomePane() {
    if (QAction* launcher = TaskLauncher()) launcher->setChecked(true);
    frmIWant_->setGeometry(Panel2->rect());
    frmIWant_->show();
    frmIWant_->raise();
}

void TfrmMain::WelcomeLinkClicked(int index) {
    const auto& table = WelcomeLinkTable();
    if (index < 0 || size_t(index) >= table.size()) return;
    const TWelcomeLinkDef& link = table[size_t(index)];
    switch (link.kind) {
        case TWelcomeLinkKind::ImportBar:
            // The link shows the import bar; when it is open already it stays open.
            if (Panel4->isHidden()) Command(link.target)->trigger();
            break;
        case TWelcomeLinkKind::Command:
            if (QAction* a = Command(link.target)) a->trigger();
            break;
        case TWelcomeLinkKind::Help:
            help_->ShowHelpTopic(static_cast<QWidget*>(frmIWant_), link.target);
            break;
        case TWelcomeLinkKind::Icons:
            IconsExecute();
            break;
        case TWelcomeLinkKind::Web:
            OpenWebPage(link.target);
            break;
        case TWelcomeLinkKind::About:
            AboutExecute();
            break;
    }
}

void TfrmMain::AboutExecute() {
    frmAbout_->SetInstallFolder(installFolder_);
    frmAbout_->exec();
}

void TfrmMain::DonateExecute() { frmDonate_->exec(); }
