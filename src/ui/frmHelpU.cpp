#include "frmHelpU.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const kWindowTitle = "Lumavell2 Help";
const char* const kNotFoundTitle = "Page not found";

QString ToQt(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

THelpBrowser::THelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenExternalLinks(true);
    setOpenLinks(true);
}

QVariant THelpBrowser::loadResource(int type, const QUrl& name) {
    QVariant data = QTextBrowser::loadResource(type, name);
    if (type == QTextDocument::HtmlResource && !data.isValid()) {
        const QString page = name.isLocalFile() ? QFileInfo(name.toLocalFile()).fileName() : name.toString();
        return NotFoundHtml(page);
    }
    return data;
}

QString THelpBrowser::NotFoundHtml(const QString& page) {
    return QStringLiteral(
               "<html><head><title>%1</title></head><body>"
               "<h2>%1</h2>"
               "<p>The help page <b>%2</b> could not be found.</p>"
               "<p>The help pages may be missing from the program's folder. "
               "Reinstalling Lumavell2 puts them back.</p>"
               "</body></html>")
        .arg(QString::fromLatin1(kNotFoundTitle), page.toHtmlEscaped());
}

// ---------------------------------------------------------------------------------------------

TfrmHelp::TfrmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmHelp");
    setWindowTitle(kWindowTitle);
    setAccessibleName(kWindowTitle);

    tools_ = new QToolBar(this);
    tools_->setObjectName("helpTools");
    tools_->setAccessibleName("Help navigation");
    tools_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools_->setIconSize(QSize(16, 16));

    back_ = tools_->addAction(style()->standardIcon(QStyle::SP_ArrowBack), "Back");
    back_->setObjectName("helpBack");
    back_->setToolTip("Back to the page shown before");
    back_->setShortcut(QKeySequence::Back);
    back_->setEnabled(false);

    forward_ = tools_->addAction(style()->standardIcon(QStyle::SP_ArrowForward), "Forward");
    forward_->setObjectName("helpForward");
    forward_->setToolTip("Forward to the next page");
    forward_->setShortcut(QKeySequence::Forward);
    forward_->setEnabled(false);

    contents_ = tools_->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), "Contents");
    contents_->setObjectName("helpContents");
    contents_->setToolTip("Show the list of help pages");

    browser_ = new THelpBrowser(this);
    browser_->setObjectName("helpBrowser");
    browser_->setAccessibleName("Help page");
    browser_->setFrameShape(QFrame::NoFrame);
    browser_->document()->setDocumentMargin(12);
    // The pages are written for dark text on white, whatever the surrounding windows use.
    browser_->setStyleSheet("THelpBrowser { background-color: white; color: black; }");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools_);
    layout->addWidget(browser_, 1);

    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(contents_, &QAction::triggered, this, &TfrmHelp::ShowContents);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { UpdateTitle(); });

    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);

    resize(760, 580);
}

void TfrmHelp::ShowRequest(const std::string& request) {
    const THelpRequest parsed = ParseHelpRequest(request);
    // The help folder is known even when the page is refused, so Contents still works.
    helpFolder_ = QFileInfo(ToQt(HelpPagesFolder(parsed.file))).absoluteFilePath();

    const std::string page = HelpPageFile(request);
    if (page.empty()) {
        browser_->setHtml(THelpBrowser::NotFoundHtml(ToQt(parsed.page)));
        UpdateTitle();
        return;
    }
    ShowPageFile(ToQt(page));

    // A page anchor ("page.htm#part") scrolls to that part.
    const std::size_t anchor = parsed.page.find('#');
    if (anchor != std::string::npos) browser_->scrollToAnchor(ToQt(parsed.page.substr(anchor + 1)));
}

void TfrmHelp::ShowPageFile(const QString& path) {
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (browser_->source() == url) browser_->reload();
    else browser_->setSource(url, QTextDocument::HtmlResource);
    UpdateTitle();
}

void TfrmHelp::ShowContents() {
    if (helpFolder_.isEmpty()) return;
    ShowPageFile(helpFolder_ + "/" + QString::fromLatin1(helptopic::kContentsPage));
}

bool TfrmHelp::ShowsNotFound() const {
    return browser_->documentTitle() == QString::fromLatin1(kNotFoundTitle);
}

void TfrmHelp::UpdateTitle() {
    const QString base = QString::fromLatin1(kWindowTitle);
    const QString pageTitle = browser_->documentTitle();
    setWindowTitle(pageTitle.isEmpty() || pageTitle == base ? base : base + " - " + pageTitle);
}

// ---------------------------------------------------------------------------------------------

TfrmHelpViewer::~TfrmHelpViewer() {
    for (auto& [name, window] : windows_)
        if (window) delete window.data();
}

std::string TfrmHelpViewer::DefinitionName(const std::string& window) {
    if (window == "trainer" || window == "welcome") return window;
    return "default";
}

QRect TfrmHelpViewer::DefinitionGeometry(const std::string& definition, QWidget* ownerWindow) {
    QScreen* screen = ownerWindow ? ownerWindow->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect owner = ownerWindow && ownerWindow->isVisible() ? ownerWindow->frameGeometry() : avail;
    const std::string def = DefinitionName(definition);

    auto fit = [&](int w, int h) { return QSize(std::min(w, avail.width()), std::min(h, avail.height())); };
    auto keepInside = [&](QRect r) {
        r.moveLeft(std::clamp(r.left(), avail.left(), std::max(avail.left(), avail.right() - r.width() + 1)));
        r.moveTop(std::clamp(r.top(), avail.top(), std::max(avail.top(), avail.bottom() - r.height() + 1)));
        return r;
    };

    if (def == "trainer") {
        // A narrow window beside the dialog or pane it explains, so both stay readable.
        QRect r(QPoint(0, 0), fit(440, 560));
        if (owner.right() + 1 + r.width() <= avail.right() + 1) r.moveTopLeft(QPoint(owner.right() + 1, owner.top()));
        else r.moveTopLeft(QPoint(avail.right() + 1 - r.width(), owner.top()));
        return keepInside(r);
    }
    if (def == "welcome") {
        QRect r(QPoint(0, 0), fit(620, 600));
        r.moveCenter(owner.center());
        return keepInside(r);
    }
    // The main help: a large window in the middle of the screen.
    QRect r(QPoint(0, 0), fit(780, 620));
    r.moveCenter(avail.center());
    return keepInside(r);
}

TfrmHelp* TfrmHelpViewer::Window(const std::string& definition) const {
    auto it = windows_.find(DefinitionName(definition));
    return it == windows_.end() ? nullptr : it->second.data();
}

void TfrmHelpViewer::DisplayTopic(THelpOwner owner, const std::string& request) {
    const std::string def = DefinitionName(ParseHelpRequest(request).window);
    QWidget* ownerWindow = owner ? static_cast<QWidget*>(owner)->window() : nullptr;

    QPointer<TfrmHelp>& slot = windows_[def];
    bool place = false;
    if (!slot) {
        slot = new TfrmHelp(ownerWindow);
        slot->setObjectName(QString::fromStdString("frmHelp_" + def));
        slot->setAttribute(Qt::WA_DeleteOnClose, false);
        place = true;
    } else if (slot->parentWidget() != ownerWindow) {
        // Follow the new owner: a help window must stay usable above a modal dialog.
        const QRect keep = slot->geometry();
        const bool wasVisible = slot->isVisible();
        slot->setParent(ownerWindow, Qt::Window);
        slot->setGeometry(keep);
        place = !wasVisible;
    } else if (!slot->isVisible()) {
        place = true;
    }
    if (place) slot->setGeometry(DefinitionGeometry(def, ownerWindow));

    slot->ShowRequest(request);
    slot->show();
    slot->raise();
    slot->activateWindow();
}

void TfrmHelpViewer::CloseAll() {
    for (auto& [name, window] : windows_)
        if (window) window->close();
}
