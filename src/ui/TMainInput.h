#pragma once
// The main window's keyboard, mouse and drag-and-drop extras: the keys of the picture area and
// the photo list (from the key table), the context menus of a photo row and of the picture, photo
// rows dragged out to other programs as files, photo files dropped onto the photo list (filed
// into the open album as the import bar's "Add To >>" files them) and ".xal" packages dropped
// anywhere on the window (received as "/ALBUM" receives them), and Help > Keyboard Shortcuts.

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>

#include <string>
#include <vector>

class QMenu;
class QMimeData;
class QWidget;
class TfrmMain;
class TfrmShortcuts;

class TMainInput : public QObject {
    Q_OBJECT
public:
    explicit TMainInput(TfrmMain& main);
    ~TMainInput() override;

    QMenu* PhotoMenu() const { return photoMenu_; }
    QMenu* PictureMenu() const { return pictureMenu_; }
    TfrmShortcuts* ShortcutsWindow() const { return shortcuts_; }

    // What dragging these photo-list rows out carries: the rows' photo files as file URLs
    // (rows whose file is missing are left out); null when none is left.
    QMimeData* RowsMimeData(const QList<int>& rows) const;

    // Local files named by mime's URLs: the ".xal" packages and the photo files among them.
    static void DroppedFiles(const QMimeData* mime, std::vector<std::string>& packages,
                             std::vector<std::string>& photos);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void BindPlaceKeys();
    void BuildMenus();
    void ShowMenu(QMenu* menu, const QPoint& globalPos);
    bool PhotoListEvent(QObject* o, QEvent* e);
    bool DropEvent(QEvent* e, bool ontoPhotoList);
    void StartDrag();

    TfrmMain& main_;
    QMenu* photoMenu_ = nullptr;
    QMenu* pictureMenu_ = nullptr;
    TfrmShortcuts* shortcuts_ = nullptr;
    QPoint pressPos_;
    int pressRow_ = -1;
};
