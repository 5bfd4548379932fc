#pragma once
// The welcome pane ("I want to..."): a white, grey-framed pane over the viewer that offers the
// main tasks and the help pages while no photo is shown. A title group ("welcome to Lumavell2",
// with the program's picture that opens the About window), a decorative strip of photos, and the
// link panel: three groups, each a large verb with its action links and a "Learn about" list of
// help pages, and a column "Or, I could..." with more tasks and "On the internet..." links.
//
// The pane only reports which link was clicked (LinkClicked); the main window carries it out,
// so the pane knows nothing of commands, help or the desktop.

#include <QAbstractButton>
#include <QWidget>

#include <vector>

class QLabel;
class QScrollBar;
namespace artwork {
class TPictureButton;
}

// What a link of the welcome pane does.
enum class TWelcomeLinkKind {
    ImportBar,  // shows the import bar (runs the Import Image command while the bar is hidden)
    Command,    // runs the command of the main window's command table named by target
    Help,       // opens the help topic whose suffix is target, for the welcome pane
    Icons,      // opens the album icon list dialog
    Web,        // opens the web address target in the default browser
    About,      // opens the About window
};

struct TWelcomeLinkDef {
    const char* object;   // the link's object name
    const char* caption;  // its text (and accessible name); the About picture's hint
    TWelcomeLinkKind kind;
    const char* target;   // command name, help suffix or web address ("" for none)
};

// Every link of the pane in its order on screen (the About picture last).
const std::vector<TWelcomeLinkDef>& WelcomeLinkTable();

// The pane's layout for a pane width W: below 300 pixels the title group and the link panel are
// hidden; the link panel is 489 pixels wide from 507 pixels on and 281 below that (also while
// hidden); the title group, the link panel and the picture above it are centred, each at
// W/2 - (its width)/2 with both halvings rounded toward zero.
struct TWelcomeLayout {
    bool shown = false;
    int panelWidth = 0;
    int titleLeft = 0;
    int pictureLeft = 0;
    int panelLeft = 0;
};

namespace welcome {
inline constexpr int kMinShownWidth = 300;
inline constexpr int kMinWideWidth = 507;
inline constexpr int kWidePanel = 489;
inline constexpr int kNarrowPanel = 281;
inline constexpr int kFrameWidth = 3;
}  // namespace welcome

TWelcomeLayout WelcomeLayout(int paneWidth, int titleWidth, int pictureWidth);

// A link: its caption in the link colour, wrapped to its width, underlined while the mouse is
// over it or it has the keyboard focus; grey while disabled. Clicked by the mouse, Space or Enter.
class TWelcomeLink : public QAbstractButton {
    Q_OBJECT
public:
    // strong: an action link (bold); bullet: a help or web link in a list (a small marker before it).
    TWelcomeLink(const QString& caption, bool strong, bool bullet, QWidget* parent = nullptr);

    // The width of the caption on one line, marker included.
    int NaturalWidth() const;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    bool Strong() const { return strong_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int Indent() const;
    bool strong_;
    bool bullet_;
};

class TfrmIWant : public QWidget {
    Q_OBJECT
public:
    // host: the widget the pane covers; the pane follows its size and stays on top of it. The
    // pane starts hidden.
    explicit TfrmIWant(QWidget* host);

    // The link with this object name (the About picture is not a link), or nullptr.
    TWelcomeLink* Link(const QString& object) const;
    const std::vector<TWelcomeLink*>& Links() const { return links_; }
    QWidget* TitleGroup() const { return title_; }
    QWidget* LinkPanel() const { return panel_; }
    QWidget* Picture() const { return picture_; }
    QAbstractButton* AboutPicture() const;
    QScrollBar* ScrollBar() const { return scroll_; }
    // The left of a part of the pane in the pane's own coordinates.
    int LeftInPane(const QWidget* part) const;

    // Lays the pane out for its width (run on every resize).
    void FormResize();

signals:
    // A link (or the About picture) was clicked: index into WelcomeLinkTable().
    void LinkClicked(int index);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    void BuildTitle();
    void BuildPanel();
    // Places the link panel's children for its width; returns the panel's height.
    int ArrangePanel(int width);
    void PlaceContent();
    void EnsureVisible(QWidget* w);

    QWidget* host_;
    QWidget* viewport_ = nullptr;  // inside the frame; holds the title, picture and panel
    QWidget* title_ = nullptr;
    artwork::TPictureButton* about_ = nullptr;
    QWidget* picture_ = nullptr;  // the strip of photos above the link panel
    QWidget* panel_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    std::vector<TWelcomeLink*> links_;
    std::vector<QLabel*> verbs_;
    std::vector<QLabel*> learnLabels_;
    QLabel* lblMore_ = nullptr;
    QLabel* lblInternet_ = nullptr;
    QRect moreBox_;  // the "Or, I could..." column's background, in panel coordinates
    std::vector<int> separators_;  // y of the lines between the groups
    int groupsWidth_ = welcome::kNarrowPanel;  // the width of the groups' column
    TWelcomeLayout layout_;
    int contentHeight_ = 0;
};
