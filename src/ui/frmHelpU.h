#pragma once
// The help window and the help viewer behind ShowHelpTopic / CloseAllHelp.
//
// A help request "<install folder>/Qorvix.chm::/page.htm>window" shows the page
// "<install folder>/help/page.htm" in a help window; a request without a page shows the table of
// contents "<install folder>/help/default.htm". A page that does not exist shows a short
// "Page not found" page in the same window, never a message box.
//
// Each window definition ("trainer", "welcome", "default") has its own help window, made on
// first use and reused, so a dialog's help and the main help can be open side by side. The
// definition decides the window's size and where it opens.

#include <QPointer>
#include <QTextBrowser>
#include <QWidget>
#include <map>
#include <string>

#include "THelp.h"

class QAction;
class QToolBar;

// The page view: a text browser that shows a "Page not found" page for a missing page instead
// of an empty view.
class THelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit THelpBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

    // The page shown for a missing page; page is the name that was asked for.
    static QString NotFoundHtml(const QString& page);
};

class TfrmHelp : public QWidget {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget* parent = nullptr);

    // Shows the page of a help request (see above) and remembers the request's help folder
    // for the Contents button.
    void ShowRequest(const std::string& request);
    // Shows a page file; a missing one shows the "Page not found" page.
    void ShowPageFile(const QString& path);
    // The table of contents of the current help folder.
    void ShowContents();

    QString HelpFolder() const { return helpFolder_; }
    THelpBrowser* Browser() const { return browser_; }
    QAction* BackAction() const { return back_; }
    QAction* ForwardAction() const { return forward_; }
    QAction* ContentsAction() const { return contents_; }
    // True while the window shows the "Page not found" page.
    bool ShowsNotFound() const;

private:
    void UpdateTitle();

    THelpBrowser* browser_ = nullptr;
    QToolBar* tools_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* contents_ = nullptr;
    QString helpFolder_;
};

// The help viewer of the program: one TfrmHelp per window definition. It deletes the help
// windows it made, so it must go before the QApplication does.
class TfrmHelpViewer : public THelpViewer {
public:
    TfrmHelpViewer() = default;
    ~TfrmHelpViewer() override;
    TfrmHelpViewer(const TfrmHelpViewer&) = delete;
    TfrmHelpViewer& operator=(const TfrmHelpViewer&) = delete;

    // owner: the QWidget the request is made for (its window keeps the help window above it and
    // usable while it is modal), or nullptr for the desktop.
    void DisplayTopic(THelpOwner owner, const std::string& request) override;
    void CloseAll() override;

    // The help window of a window definition ("" and unknown names share "default"), or nullptr
    // when it has not been opened.
    TfrmHelp* Window(const std::string& definition) const;
    // The size and place a window definition gives a help window opened for the owner window.
    static QRect DefinitionGeometry(const std::string& definition, QWidget* ownerWindow);
    // The definition name a request's window part stands for.
    static std::string DefinitionName(const std::string& window);

private:
    std::map<std::string, QPointer<TfrmHelp>> windows_;
};
