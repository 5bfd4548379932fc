// The main window's side of the welcome pane, the About and Donate windows and the Help menu's
// web links: the windows are made here, and their links and buttons are carried out through the
// command table, the help requests and the desktop.
#include "frmMainU.h"

#include "TBalloonHint.h"
#include "THelp.h"
#include "THints.h"
#include "TWebLinks.h"
#include "frmAboutU.h"
#include "frmDonateU.h"
#include "frmIWantU.h"

#include <QAction>
#include <QEvent>
#include <QTimer>

namespace {

// Keeps a start-up hint on its link while the welcome pane finds its size: the window is often
// shown first and sized (maximised) by the desktop a moment later, after the hint was placed.
class THintFollower : public QObject {
public:
    THintFollower(TfrmIWant& pane, TBalloonHint& balloon) : QObject(&pane), pane_(pane), balloon_(balloon) {}

    bool eventFilter(QObject* o, QEvent* e) override {
        // The links move when the pane has laid itself out, after this event: follow them then.
        if ((e->type() == QEvent::Resize || e->type() == QEvent::Move) && balloon_.isVisible() && !pending_) {
            pending_ = true;
            QTimer::singleShot(0, this, [this] { Follow(); });
        }
        return QObject::eventFilter(o, e);
    }

private:
    void Follow() {
        pending_ = false;
        if (!balloon_.isVisible()) return;
        const QString text = balloon_.Text();
        const char* object = text == QString(hint::kTextWelcome)       ? hint::kCtlCreateAlbumLink
                             : text == QString(hint::kTextAnotherOpen) ? hint::kCtlOpenAlbumLink
                                                                       : nullptr;
        TWelcomeLink* link = object ? pane_.Link(object) : nullptr;
        if (!link || !link->isVisible()) return;
        const QPoint tip = TBalloonHint::AnchorPoint(link, balloon_.Position());
        if (tip != balloon_.TipPoint()) balloon_.ShowHint(text, link);
    }

    TfrmIWant& pane_;
    TBalloonHint& balloon_;
    bool pending_ = false;
};

}  // namespace

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
    auto* follower = new THintFollower(*frmIWant_, *balloon_);
    frmIWant_->installEventFilter(follower);
    Panel2->installEventFilter(follower);

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
