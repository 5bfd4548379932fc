#pragma once
// Building blocks of the main window's pane column: a row that lays its children out left to
// right (fixed widths, one child filling the rest), the divider that resizes the pane on its left,
// and a strip that scrolls a tool bar sideways when it is wider than its room.

#include <QPointer>
#include <QWidget>

#include <vector>

class QToolButton;

// Children are placed in the order they were added, each filling the row's height. Hidden
// children take no room. When the fixed widths are more than the row holds, panes are shown
// narrower so that every divider stays within reach; their set widths are kept.
class TPaneRow : public QWidget {
    Q_OBJECT
public:
    explicit TPaneRow(QWidget* parent = nullptr);

    // A child of fixed width; a shrinkable one (a pane, not a divider) may be shown narrower.
    void AddFixed(QWidget* w, int width, bool shrinkable = true);
    void AddFill(QWidget* w);

    int ItemWidth(const QWidget* w) const;      // the width set for w
    void SetItemWidth(QWidget* w, int width);   // relays the row out at once
    int ShownWidth(const QWidget* w) const;     // the width w has on screen now
    int FillWidth() const;                      // the width of the filling child now

    void Relayout();

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    struct Item {
        QWidget* w;
        int width;
        bool fill;
        bool shrinkable;
    };
    std::vector<Item> items_;
    bool laying_ = false;
};

// A bevelled divider on the right of a pane. Dragging it sets the pane's width: live (the panes
// follow the mouse) or with a hatched line that is dragged and applied on release. A pane
// released narrower than 30 pixels collapses to nothing, and the room right of the divider
// keeps at least 30 pixels. With the keyboard focus, the arrow keys move the divider too.
class TSplitter : public QWidget {
    Q_OBJECT
public:
    TSplitter(TPaneRow* row, QWidget* pane, int thickness, QWidget* parent = nullptr);

    void SetLive(bool live) { live_ = live; }
    bool Live() const { return live_; }
    QWidget* Pane() const { return pane_; }

    // The drag steps a mouse drag makes, usable on their own: BeginDrag, then DragBy with the
    // distance from where the drag began, then EndDrag.
    void BeginDrag();
    void DragBy(int dx);
    void EndDrag();
    bool Dragging() const { return dragging_; }
    // The hatched line shown while dragging without live update (null otherwise).
    QWidget* DragLine() const { return line_; }

signals:
    // The divider was released (or moved with the keyboard); the pane has its new width.
    void Moved();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int Limit(int width) const;

    TPaneRow* row_;
    QWidget* pane_;
    bool live_ = true;
    bool dragging_ = false;
    int startGlobalX_ = 0;
    int startWidth_ = 0;
    int maxWidth_ = 0;
    int dragWidth_ = 0;
    QPointer<QWidget> line_;
};

// Holds one content widget (a tool bar) at its preferred width; when that is more than the strip
// is wide, arrow buttons at both ends scroll it.
class THScrollStrip : public QWidget {
    Q_OBJECT
public:
    THScrollStrip(QWidget* content, QWidget* parent = nullptr);

    QWidget* Content() const { return content_; }
    int Offset() const { return offset_; }
    void ScrollBy(int dx);
    bool Scrollable() const;

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Relayout();

    QWidget* clip_;
    QWidget* content_;
    QToolButton* left_;
    QToolButton* right_;
    int offset_ = 0;
};
