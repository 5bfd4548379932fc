#include "TPanes.h"

#include "TMainLayout.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QToolButton>
#include <qdrawutil.h>

#include <algorithm>

// ---- TPaneRow --------------------------------------------------------------------------------

TPaneRow::TPaneRow(QWidget* parent) : QWidget(parent) {}

void TPaneRow::AddFixed(QWidget* w, int width, bool shrinkable) {
    w->setParent(this);
    w->installEventFilter(this);
    items_.push_back({w, std::max(0, width), false, shrinkable});
    Relayout();
}

void TPaneRow::AddFill(QWidget* w) {
    w->setParent(this);
    w->installEventFilter(this);
    items_.push_back({w, 0, true, false});
    Relayout();
}

int TPaneRow::ItemWidth(const QWidget* w) const {
    for (const Item& it : items_)
        if (it.w == w) return it.width;
    return 0;
}

void TPaneRow::SetItemWidth(QWidget* w, int width) {
    for (Item& it : items_)
        if (it.w == w) it.width = std::max(0, width);
    Relayout();
}

int TPaneRow::ShownWidth(const QWidget* w) const { return w->isHidden() ? 0 : w->width(); }

int TPaneRow::FillWidth() const {
    for (const Item& it : items_)
        if (it.fill && !it.w->isHidden()) return it.w->width();
    return 0;
}

void TPaneRow::Relayout() {
    if (laying_) return;
    laying_ = true;
    const int total = width(), h = height();
    // Widths as set; when the row cannot hold them all, panes (never dividers) are shortened
    // from the right.
    std::vector<int> shown(items_.size(), 0);
    int fixedSum = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].w->isHidden() || items_[i].fill) continue;
        shown[i] = items_[i].width;
        fixedSum += shown[i];
    }
    int excess = fixedSum - total;
    for (std::size_t i = items_.size(); i-- > 0 && excess > 0;) {
        if (items_[i].w->isHidden() || items_[i].fill || !items_[i].shrinkable) continue;
        int cut = std::min(excess, shown[i]);
        shown[i] -= cut;
        excess -= cut;
    }
    int fill = std::max(0, total - fixedSum);
    int x = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].w->isHidden()) continue;
        int w = items_[i].fill ? fill : shown[i];
        items_[i].w->setGeometry(x, 0, w, h);
        x += w;
    }
    laying_ = false;
}

void TPaneRow::resizeEvent(QResizeEvent*) { Relayout(); }

bool TPaneRow::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent) {
        for (const Item& it : items_)
            if (it.w == o) {
                Relayout();
                break;
            }
    }
    return QWidget::eventFilter(o, e);
}

// ---- TSplitter -------------------------------------------------------------------------------

namespace {

// The line dragged instead of the divider when the panes do not follow the mouse.
class THatchLine : public QWidget {
public:
    explicit THatchLine(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName("qt_hatchline");
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QBrush(QColor(40, 40, 40), Qt::Dense4Pattern));
    }
};

}  // namespace

TSplitter::TSplitter(TPaneRow* row, QWidget* pane, int thickness, QWidget* parent)
    : QWidget(parent), row_(row), pane_(pane) {
    setCursor(Qt::SplitHCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedWidth(thickness);
}

int TSplitter::Limit(int width) const {
    return mainlayout::CollapsedWidth(std::clamp(width, 0, std::max(0, maxWidth_)));
}

void TSplitter::BeginDrag() {
    startWidth_ = row_->ShownWidth(pane_);
    maxWidth_ = startWidth_ + std::max(0, row_->FillWidth() - mainlayout::kMinPaneWidth);
    dragWidth_ = startWidth_;
    dragging_ = true;
    if (!live_) {
        delete line_;
        line_ = new THatchLine(row_);
        line_->setGeometry(pane_->x() + startWidth_, 0, width(), row_->height());
        line_->raise();
        line_->show();
    }
}

void TSplitter::DragBy(int dx) {
    if (!dragging_) return;
    dragWidth_ = Limit(startWidth_ + dx);
    if (live_) row_->SetItemWidth(pane_, dragWidth_);
    else if (line_) line_->move(pane_->x() + dragWidth_, 0);
}

void TSplitter::EndDrag() {
    if (!dragging_) return;
    dragging_ = false;
    row_->SetItemWidth(pane_, dragWidth_);
    delete line_;
    emit Moved();
}

void TSplitter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    qDrawShadePanel(&p, rect(), palette(), false, 1, nullptr);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void TSplitter::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    startGlobalX_ = qRound(e->globalPosition().x());
    BeginDrag();
}

void TSplitter::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) DragBy(qRound(e->globalPosition().x()) - startGlobalX_);
}

void TSplitter::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !dragging_) return;
    DragBy(qRound(e->globalPosition().x()) - startGlobalX_);
    EndDrag();
}

void TSplitter::keyPressEvent(QKeyEvent* e) {
    if (e->key() != Qt::Key_Left && e->key() != Qt::Key_Right) {
        QWidget::keyPressEvent(e);
        return;
    }
    bool live = live_;
    live_ = true;
    BeginDrag();
    // Growing a collapsed pane by one step brings it straight back to the smallest width.
    int target = e->key() == Qt::Key_Left ? startWidth_ - 10
                                          : std::max(startWidth_ + 10, mainlayout::kMinPaneWidth);
    DragBy(target - startWidth_);
    EndDrag();
    live_ = live;
}

// ---- THScrollStrip ---------------------------------------------------------------------------

namespace {
constexpr int kArrowWidth = 12;
constexpr int kScrollStep = 16;
}  // namespace

THScrollStrip::THScrollStrip(QWidget* content, QWidget* parent)
    : QWidget(parent), clip_(new QWidget(this)), content_(content) {
    content_->setParent(clip_);
    content_->installEventFilter(this);
    clip_->installEventFilter(this);
    left_ = new QToolButton(this);
    right_ = new QToolButton(this);
    left_->setArrowType(Qt::LeftArrow);
    right_->setArrowType(Qt::RightArrow);
    left_->setAccessibleName("Scroll left");
    right_->setAccessibleName("Scroll right");
    for (QToolButton* b : {left_, right_}) {
        b->setAutoRaise(true);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
    }
    connect(left_, &QToolButton::clicked, this, [this] { ScrollBy(-kScrollStep); });
    connect(right_, &QToolButton::clicked, this, [this] { ScrollBy(kScrollStep); });
    Relayout();
}

bool THScrollStrip::Scrollable() const { return content_->sizeHint().width() > width(); }

void THScrollStrip::ScrollBy(int dx) {
    offset_ += dx;
    Relayout();
}

void THScrollStrip::Relayout() {
    const int w = width(), h = height();
    const int cw = content_->sizeHint().width();
    if (cw <= w) {
        left_->hide();
        right_->hide();
        offset_ = 0;
        clip_->setGeometry(0, 0, w, h);
        content_->setGeometry(0, 0, w, h);
        return;
    }
    const int clipWidth = std::max(0, w - 2 * kArrowWidth);
    offset_ = std::clamp(offset_, 0, std::max(0, cw - clipWidth));
    left_->setGeometry(0, 0, kArrowWidth, h);
    right_->setGeometry(w - kArrowWidth, 0, kArrowWidth, h);
    left_->show();
    right_->show();
    left_->setEnabled(offset_ > 0);
    right_->setEnabled(offset_ < cw - clipWidth);
    clip_->setGeometry(kArrowWidth, 0, clipWidth, h);
    content_->setGeometry(-offset_, 0, cw, h);
}

void THScrollStrip::resizeEvent(QResizeEvent*) { Relayout(); }

bool THScrollStrip::eventFilter(QObject* o, QEvent* e) {
    if ((o == content_ || o == clip_) && e->type() == QEvent::LayoutRequest) Relayout();
    return QWidget::eventFilter(o, e);
}
