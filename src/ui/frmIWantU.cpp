#include "frmIWantU.h"

#include "TArtwork.h"
#include "THelp.h"
#include "TWebLinks.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include <algorithm>

using namespace welcome;

namespace {

using K = TWelcomeLinkKind;

// The three verb groups: the verb, its action links and its "Learn about" help links.
struct TGroupDef {
    const char* verb;
    std::vector<const char*> actions;
    std::vector<const char*> learn;
};

const std::vector<TGroupDef>& Groups() {
    static const std::vector<TGroupDef> g = {
        {"snap", {"lnkStartImport"}, {"lnkHelpImport", "lnkHelpImportDevice"}},
        {"organise", {"lnkCreateAlbum", "lnkOpenAlbum"}, {"lnkHelpNewAlbum", "lnkHelpOpenAlbum", "lnkHelpProperties"}},
        {"share", {"lnkShareAlbum"}, {"lnkHelpSharing", "lnkHelpEmail"}},
    };
    return g;
}

const std::vector<const char*> kMoreLinks = {"lnkSearch", "lnkPreferences", "lnkIcons", "lnkHelpAll"};
const std::vector<const char*> kInternetLinks = {"lnkFindPhotos", "lnkPhotoEditors", "lnkImagingDevices",
                                                 "lnkCorvane", "lnkSupport"};

// Geometry of the pane's parts.
constexpr int kTitleWidth = kNarrowPanel;
constexpr int kTitleHeight = 68;
constexpr int kPictureWidth = kNarrowPanel;
constexpr int kPictureHeight = 40;
constexpr int kLinksLeft = 22;    // where a group's links start, below its verb
constexpr int kMoreLeft = 272;    // the second column in the wide panel
constexpr int kBoxPadding = 10;   // inside the "Or, I could..." column
constexpr int kMargin = 16;       // above and below the content

const QColor kVerbColour(150, 172, 206);
const QColor kQuiet(120, 124, 132);
const QColor kBoxColour(243, 246, 251);
const QColor kBoxLine(222, 229, 240);
const QColor kFrame(168, 168, 168);

QLabel* MakeLabel(QWidget* parent, const char* object, const QString& text, int pixelSize, bool bold,
                  const QColor& colour) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(object);
    l->setAccessibleName(text);
    QFont f = l->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

// The link panel: draws the background of the "Or, I could..." column and the lines between the
// groups under its children.
class TLinkPanel : public QWidget {
public:
    TLinkPanel(const QRect* box, const std::vector<int>* lines, const int* linesWidth, QWidget* parent)
        : QWidget(parent), box_(box), lines_(lines), linesWidth_(linesWidth) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (box_->isValid()) {
            p.setPen(QPen(kBoxLine, 1));
            p.setBrush(kBoxColour);
            p.drawRoundedRect(QRectF(*box_).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        }
        p.setPen(QPen(kBoxLine, 1));
        for (int y : *lines_) p.drawLine(QPointF(kLinksLeft, y + 0.5), QPointF(*linesWidth_ - 12, y + 0.5));
    }

private:
    const QRect* box_;
    const std::vector<int>* lines_;
    const int* linesWidth_;
};

// The title group: "welcome to" above "Lumavell2", to the right of the About picture.
void DrawTitle(QPainter& p, const QRectF& r) {
    const double textLeft = 72;
    QFont small = p.font();
    small.setPixelSize(19);
    small.setItalic(true);
    p.setFont(small);
    p.setPen(kQuiet);
    p.drawText(QRectF(textLeft + 2, r.top() + 4, r.width() - textLeft, 24), Qt::AlignLeft | Qt::AlignVCenter,
               "welcome to");
    QFont big = p.font();
    big.setItalic(false);
    big.setPixelSize(34);
    big.setBold(true);
    p.setFont(big);
    p.setPen(artwork::kTitle);
    p.drawText(QRectF(textLeft, r.top() + 24, r.width() - textLeft, 42), Qt::AlignLeft | Qt::AlignVCenter,
               "Lumavell2");
}

}  // namespace

const std::vector<TWelcomeLinkDef>& WelcomeLinkTable() {
    static const std::vector<TWelcomeLinkDef> t = {
        {"lnkStartImport", "Start importing photos", K::ImportBar, "nuImport"},
        {"lnkHelpImport", "Importing photos from a file", K::Help, helptopic::kWelcomeImport},
        {"lnkHelpImportDevice", "Importing photos from a camera or scanner", K::Help, helptopic::kWelcomeImportDevice},
        {"lnkCreateAlbum", "Create a new album", K::Command, "NewCol"},
        {"lnkOpenAlbum", "Open an album", K::Command, "OpenCol"},
        {"lnkHelpNewAlbum", "Creating albums", K::Help, helptopic::kWelcomeNewAlbum},
        {"lnkHelpOpenAlbum", "Opening albums", K::Help, helptopic::kWelcomeOpenAlbum},
        {"lnkHelpProperties", "Changing photos properties", K::Help, helptopic::kWelcomeProperties},
        {"lnkShareAlbum", "Share this album", K::Command, "Share"},
        {"lnkHelpSharing", "Sharing albums", K::Help, helptopic::kWelcomeSharing},
        {"lnkHelpEmail", "Passing on albums through the web", K::Help, helptopic::kWelcomeEmail},
        {"lnkSearch", "Search for a photo", K::Command, "Search"},
        {"lnkPreferences", "Change Lumavell2 preferences", K::Command, "Preferences"},
        {"lnkIcons", "Add more icons for use in albums", K::Icons, ""},
        {"lnkHelpAll", "Learn everything about Lumavell2", K::Command, "Help"},
        {"lnkFindPhotos", "Find photos on the internet", K::Web, weblinks::kFindPhotos},
        {"lnkPhotoEditors", "Find and buy photo editors", K::Web, weblinks::kPhotoEditors},
        {"lnkImagingDevices", "Find and buy imaging devices", K::Web, weblinks::kImagingDevices},
        {"lnkCorvane", "Goto Corvane", K::Web, weblinks::kMakerSite},
        {"lnkSupport", "Get Lumavell2 support", K::Web, weblinks::kSupport},
        {"imgAbout", "About", K::About, ""},
    };
    return t;
}

TWelcomeLayout WelcomeLayout(int paneWidth, int titleWidth, int pictureWidth) {
    TWelcomeLayout l;
    l.shown = paneWidth >= kMinShownWidth;
    l.panelWidth = paneWidth >= kMinWideWidth ? kWidePanel : kNarrowPanel;
    l.titleLeft = paneWidth / 2 - titleWidth / 2;
    l.pictureLeft = paneWidth / 2 - pictureWidth / 2;
    l.panelLeft = paneWidth / 2 - l.panelWidth / 2;
    return l;
}

// ---- Links -----------------------------------------------------------------------------------

TWelcomeLink::TWelcomeLink(const QString& caption, bool strong, bool bullet, QWidget* parent)
    : QAbstractButton(parent), strong_(strong), bullet_(bullet) {
    setText(caption);
    setAccessibleName(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    QFont f = font();
    f.setPixelSize(strong ? 13 : 12);
    f.setBold(strong);
    setFont(f);
}

int TWelcomeLink::Indent() const { return bullet_ ? 11 : 0; }

// Two pixels either side of the caption, and two more so that rounding never wraps a caption that
// was measured to fit.
int TWelcomeLink::NaturalWidth() const { return fontMetrics().horizontalAdvance(text()) + Indent() + 6; }

int TWelcomeLink::heightForWidth(int width) const {
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, std::max(1, width - Indent() - 4), 10000),
                                               Qt::TextWordWrap, text());
    return r.height() + 2;
}

QSize TWelcomeLink::sizeHint() const { return QSize(NaturalWidth(), heightForWidth(NaturalWidth())); }

void TWelcomeLink::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const bool on = isEnabled();
    const QColor colour = !on ? QColor(168, 168, 168) : isDown() ? artwork::kTitle : artwork::kLink;
    const QRect text = rect().adjusted(Indent() + 2, 1, -2, -1);
    if (bullet_) {
        // A small arrow head before the caption, on its first line.
        const double cy = 1 + fontMetrics().height() / 2.0;
        QPolygonF mark;
        mark << QPointF(2, cy - 3.5) << QPointF(6.5, cy) << QPointF(2, cy + 3.5);
        p.setPen(Qt::NoPen);
        p.setBrush(on ? QColor(150, 172, 206) : QColor(200, 200, 200));
        p.drawPolygon(mark);
    }
    QFont f = font();
    f.setUnderline(on && (underMouse() || hasFocus()));
    p.setFont(f);
    p.setPen(colour);
    p.drawText(text, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, this->text());
    if (hasFocus()) {
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = rect().adjusted(Indent(), 0, 0, 0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
}

void TWelcomeLink::keyPressEvent(QKeyEvent* e) {
    // Enter follows a link, as in a browser; Space presses it as it presses any button.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

// ---- The pane --------------------------------------------------------------------------------

TfrmIWant::TfrmIWant(QWidget* host) : QWidget(host), host_(host) {
    setObjectName("frmIWant");
    setAccessibleName("I want to...");
    setAccessibleDescription("Links to the main tasks and to the help pages");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    viewport_ = new QWidget(this);
    viewport_->setObjectName("pnlIWantContent");
    viewport_->setAccessibleName("I want to...");
    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setObjectName("sbIWant");
    scroll_->setAccessibleName("Scroll the welcome pane");
    scroll_->hide();
    connect(scroll_, &QScrollBar::valueChanged, this, [this] { PlaceContent(); });

    BuildTitle();
    picture_ = new artwork::TPicture(artwork::DrawPhotoStrip, viewport_);
    picture_->setObjectName("imgIWantStrip");
    picture_->setAccessibleName("Photos");
    picture_->resize(kPictureWidth, kPictureHeight);
    BuildPanel();

    hide();
    if (host_) {
        host_->installEventFilter(this);
        setGeometry(host_->rect());
    }
}

void TfrmIWant::BuildTitle() {
    title_ = new artwork::TPicture(DrawTitle, viewport_);
    title_->setObjectName("pnlIWantTitle");
    title_->setAccessibleName("welcome to Lumavell2");
    title_->resize(kTitleWidth, kTitleHeight);
    about_ = new artwork::TPictureButton(
        [](QPainter& p, const QRectF& r, bool hot) {
            if (hot) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(232, 239, 250));
                p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 8, 8);
            }
            artwork::DrawEmblem(p, r.adjusted(4, 4, -4, -4));
        },
        title_);
    about_->setObjectName("imgAbout");
    about_->setToolTip("About");
    about_->setAccessibleName("About");
    about_->setGeometry(0, 2, 64, 64);
    const int index = int(WelcomeLinkTable().size()) - 1;
    connect(about_, &QAbstractButton::clicked, this, [this, index] { emit LinkClicked(index); });
}

void TfrmIWant::BuildPanel() {
    panel_ = new TLinkPanel(&moreBox_, &separators_, &groupsWidth_, viewport_);
    panel_->setObjectName("pnlIWantLinks");
    panel_->setAccessibleName("I want to...");
    const auto& table = WelcomeLinkTable();

    auto strongLink = [](const char* object) {
        for (const TGroupDef& g : Groups())
            for (const char* a : g.actions)
                if (QString(a) == object) return true;
        return false;
    };
    // The verbs first, so each stands before its links in the keyboard order of its group.
    for (const TGroupDef& g : Groups()) {
        QLabel* verb = MakeLabel(panel_, "", g.verb, 28, true, kVerbColour);
        verb->setObjectName(QString("lblVerb_") + g.verb);
        verbs_.push_back(verb);
        learnLabels_.push_back(MakeLabel(panel_, "", "Learn about", 11, false, kQuiet));
        learnLabels_.back()->setObjectName(QString("lblLearn_") + g.verb);
    }
    lblMore_ = MakeLabel(panel_, "lblMore", "Or, I could...", 15, true, artwork::kTitle);
    lblInternet_ = MakeLabel(panel_, "lblInternet", "On the internet...", 12, true, kQuiet);

    for (size_t i = 0; i + 1 < table.size(); ++i) {
        const TWelcomeLinkDef& d = table[i];
        const bool strong = strongLink(d.object);
        auto* link = new TWelcomeLink(d.caption, strong, !strong, panel_);
        link->setObjectName(d.object);
        if (d.kind == TWelcomeLinkKind::Web) link->setToolTip(d.target);
        const int index = int(i);
        connect(link, &QAbstractButton::clicked, this, [this, index] { emit LinkClicked(index); });
        links_.push_back(link);
    }
    // Nothing can be shared before an album has been opened.
    if (TWelcomeLink* share = Link("lnkShareAlbum")) share->setEnabled(false);
}

TWelcomeLink* TfrmIWant::Link(const QString& object) const {
    for (TWelcomeLink* l : links_)
        if (l->objectName() == object) return l;
    return nullptr;
}

QAbstractButton* TfrmIWant::AboutPicture() const { return about_; }

int TfrmIWant::LeftInPane(const QWidget* part) const { return part->mapTo(this, QPoint(0, 0)).x(); }

int TfrmIWant::ArrangePanel(int width) {
    const bool wide = width >= kWidePanel;
    auto place = [](QWidget* w, int x, int y, int room) {
        int h = 0;
        if (auto* link = qobject_cast<TWelcomeLink*>(w)) {
            const int wd = std::min(room, link->NaturalWidth());
            h = link->heightForWidth(wd);
            w->setGeometry(x, y, wd, h);
        } else {
            h = w->sizeHint().height();
            w->setGeometry(x, y, std::min(room, w->sizeHint().width()), h);
        }
        return h;
    };

    separators_.clear();
    int y = 0;
    // In the wide panel the groups keep clear of the second column.
    const int groupsWidth = wide ? kMoreLeft - 12 : kNarrowPanel;
    const int linkRoom = groupsWidth - kLinksLeft;
    groupsWidth_ = groupsWidth;
    for (size_t g = 0; g < Groups().size(); ++g) {
        const TGroupDef& def = Groups()[g];
        if (g > 0) {
            separators_.push_back(y + 6);
            y += 12;
        }
        // The verb on a line of its own, its links indented below it.
        QLabel* verb = verbs_[g];
        verb->setGeometry(0, y, groupsWidth, verb->sizeHint().height());
        int ly = y + verb->height() - 2;
        for (const char* a : def.actions) ly += place(Link(a), kLinksLeft, ly, linkRoom) + 3;
        ly += 4;
        ly += place(learnLabels_[g], kLinksLeft, ly, linkRoom) + 1;
        for (const char* h : def.learn) ly += place(Link(h), kLinksLeft, ly, linkRoom) + 1;
        y = ly;
    }
    const int leftBottom = y;

    // The second column: beside the groups in the wide panel, below them in the narrow one.
    const int boxLeft = wide ? kMoreLeft : 0;
    const int boxTop = wide ? 0 : leftBottom + 14;
    const int boxWidth = width - boxLeft;
    const int room = boxWidth - 2 * kBoxPadding;
    int by = boxTop + kBoxPadding - 2;
    by += place(lblMore_, boxLeft + kBoxPadding, by, room) + 4;
    for (const char* m : kMoreLinks) by += place(Link(m), boxLeft + kBoxPadding, by, room) + 2;
    by += 10;
    by += place(lblInternet_, boxLeft + kBoxPadding, by, room) + 3;
    for (const char* m : kInternetLinks) by += place(Link(m), boxLeft + kBoxPadding, by, room) + 2;
    by += kBoxPadding - 2;
    moreBox_ = QRect(boxLeft, boxTop, boxWidth, by - boxTop);
    return std::max(leftBottom, by) + 1;
}

void TfrmIWant::FormResize() {
    const int w = width();
    layout_ = WelcomeLayout(w, title_->width(), picture_->width());
    title_->setVisible(layout_.shown);
    panel_->setVisible(layout_.shown);
    picture_->setVisible(layout_.shown);
    const int panelHeight = ArrangePanel(layout_.panelWidth);
    panel_->resize(layout_.panelWidth, panelHeight);
    contentHeight_ = layout_.shown ? kMargin + title_->height() + 4 + picture_->height() + 10 + panelHeight + kMargin
                                   : 0;

    viewport_->setGeometry(kFrameWidth, kFrameWidth, std::max(0, w - 2 * kFrameWidth),
                           std::max(0, height() - 2 * kFrameWidth));
    const int room = viewport_->height();
    const bool scrolls = contentHeight_ > room;
    if (scrolls) {
        const int sw = scroll_->sizeHint().width();
        scroll_->setGeometry(w - kFrameWidth - sw, kFrameWidth, sw, room);
        scroll_->setRange(0, contentHeight_ - room);
        scroll_->setPageStep(room);
        scroll_->setSingleStep(20);
    } else {
        scroll_->setRange(0, 0);
    }
    scroll_->setVisible(scrolls);
    PlaceContent();
}

void TfrmIWant::PlaceContent() {
    // Horizontally the parts stand where the layout puts them in the pane; vertically the content
    // sits a third of the way down a tall pane and scrolls in a short one.
    const int room = viewport_->height();
    const int top = contentHeight_ < room ? (room - contentHeight_) / 3 : -scroll_->value();
    const int dx = -kFrameWidth;
    int y = top + kMargin;
    title_->move(layout_.titleLeft + dx, y);
    y += title_->height() + 4;
    picture_->move(layout_.pictureLeft + dx, y);
    y += picture_->height() + 10;
    panel_->move(layout_.panelLeft + dx, y);
}

void TfrmIWant::EnsureVisible(QWidget* w) {
    if (!scroll_->isVisible() || !w) return;
    const QRect r(w->mapTo(viewport_, QPoint(0, 0)), w->size());
    if (r.top() < 0) scroll_->setValue(scroll_->value() + r.top() - 4);
    else if (r.bottom() > viewport_->height()) scroll_->setValue(scroll_->value() + r.bottom() - viewport_->height() + 4);
}

bool TfrmIWant::focusNextPrevChild(bool next) {
    const bool moved = QWidget::focusNextPrevChild(next);
    // The link that takes the keyboard focus is scrolled into view.
    if (moved && isAncestorOf(focusWidget())) EnsureVisible(focusWidget());
    return moved;
}

void TfrmIWant::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The grey frame, 3 pixels on every side.
    const QRect r = rect();
    p.fillRect(QRect(0, 0, r.width(), kFrameWidth), kFrame);
    p.fillRect(QRect(0, r.height() - kFrameWidth, r.width(), kFrameWidth), kFrame);
    p.fillRect(QRect(0, 0, kFrameWidth, r.height()), kFrame);
    p.fillRect(QRect(r.width() - kFrameWidth, 0, kFrameWidth, r.height()), kFrame);
}

void TfrmIWant::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    FormResize();
}

void TfrmIWant::wheelEvent(QWheelEvent* e) {
    if (scroll_->isVisible()) {
        scroll_->setValue(scroll_->value() - e->angleDelta().y() / 2);
        e->accept();
        return;
    }
    QWidget::wheelEvent(e);
}

bool TfrmIWant::eventFilter(QObject* o, QEvent* e) {
    // The pane covers its host and stays above the host's own children.
    if (o == host_ && e->type() == QEvent::Resize) {
        setGeometry(host_->rect());
        raise();
    }
    return QWidget::eventFilter(o, e);
}
