#include "TMainInput.h"

#include "TAlbumView.h"
#include "TFolderImport.h"
#include "TImportBar.h"
#include "TKeyTable.h"
#include "TPhotoList.h"
#include "TPhotoView.h"
#include "frmMainU.h"
#include "frmShortcutsU.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QShortcut>
#include <QUrl>

namespace {

bool IsPackage(const QString& path) { return path.endsWith(".xal", Qt::CaseInsensitive); }

}  // namespace

TMainInput::TMainInput(TfrmMain& main) : QObject(&main), main_(main) {
    BindPlaceKeys();
    BuildMenus();

    TPhotoList* list = main_.PhotoList();
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    list->viewport()->setAcceptDrops(true);
    QScrollArea* area = main_.PhotoArea();
    area->installEventFilter(this);
    area->viewport()->installEventFilter(this);
    main_.PhotoView()->installEventFilter(this);
    // Packages are taken anywhere on the window.
    main_.setAcceptDrops(true);
    main_.installEventFilter(this);

    // Help > Keyboard Shortcuts, after Help itself.
    shortcuts_ = new TfrmShortcuts(main_);
    if (QMenu* help = main_.menuBar()->findChild<QMenu*>("mnuHelp")) {
        auto* item = new QAction("Keyboard Shortcuts", help);
        item->setObjectName("KeyboardShortcuts");
        const QList<QAction*> items = help->actions();
        const int at = items.indexOf(main_.Command("Help"));
        help->insertAction(at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr, item);
        connect(item, &QAction::triggered, this, [this] {
            shortcuts_->Fill();
            shortcuts_->exec();
        });
    }
}

TMainInput::~TMainInput() = default;

void TMainInput::BindPlaceKeys() {
    for (const TKeyBinding& b : KeyTable()) {
        QWidget* place = nullptr;
        if (b.place == TKeyPlace::PictureArea) place = main_.PhotoArea();
        if (b.place == TKeyPlace::PhotoList) place = main_.PhotoList();
        QAction* command = *b.command ? main_.Command(b.command) : nullptr;
        if (!place || !command) continue;
        const QList<QKeySequence> windowKeys = command->shortcuts();
        for (const QKeySequence& key : BindingKeys(b)) {
            // A key the command already has on the whole window runs it here too; a second
            // binding of it would only make the key ambiguous.
            if (windowKeys.contains(key)) continue;
            auto* shortcut = new QShortcut(key, place);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            shortcut->setObjectName(QString(b.command) + "_" + key.toString(QKeySequence::PortableText));
            connect(shortcut, &QShortcut::activated, command, [command] {
                if (command->isEnabled()) command->trigger();
            });
        }
    }
}

void TMainInput::BuildMenus() {
    auto build = [this](const char* object, const char* name, std::initializer_list<const char*> commands) {
        auto* menu = new QMenu(&main_);
        menu->setObjectName(object);
        menu->setAccessibleName(name);
        for (const char* c : commands) {
            if (!c) {
                menu->addSeparator();
                continue;
            }
            // The commands themselves: the items are enabled, shown and captioned as they are.
            menu->addAction(main_.Command(c));
        }
        return menu;
    };
    photoMenu_ = build("mnuPhotoRow", "Photo",
                       {"ViewFullScreen", nullptr, "CopyImg", "EditImage1", "SetAsWallpaper", "Print", nullptr,
                        "AddToCollection", "RemoveFromCol", nullptr, "ImgProperties"});
    pictureMenu_ = build("mnuPicture", "Picture",
                         {"ZoomIn", "ShowAll", "ZoomOut", "ToFit", nullptr, "First", "Previous", "Next", "Last",
                          nullptr, "ViewFullScreen", "CopyImg", "EditImage1", "SetAsWallpaper", "Print", nullptr,
                          "ImgProperties"});
}

void TMainInput::ShowMenu(QMenu* menu, const QPoint& globalPos) { menu->popup(globalPos); }

QMimeData* TMainInput::RowsMimeData(const QList<int>& rows) const {
    QList<QUrl> urls;
    for (int row : rows) {
        const QString path = QString::fromLocal8Bit(main_.AlbumView().RowPath(row + 1));
        if (!path.isEmpty() && QFileInfo(path).isFile()) urls << QUrl::fromLocalFile(path);
    }
    if (urls.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

void TMainInput::DroppedFiles(const QMimeData* mime, std::vector<std::string>& packages,
                              std::vector<std::string>& photos) {
    if (!mime || !mime->hasUrls()) return;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        const std::string bytes = path.toLocal8Bit().toStdString();
        if (IsPackage(path))
            packages.push_back(bytes);
        else if (folderimport::MatchesMask(QFileInfo(path).fileName().toLocal8Bit().toStdString()))
            photos.push_back(bytes);
    }
}

void TMainInput::StartDrag() {
    TPhotoList* list = main_.PhotoList();
    QList<int> rows;
    for (const QModelIndex& i : list->selectionModel()->selectedRows()) rows << i.row();
    if (rows.isEmpty() && pressRow_ >= 0) rows << pressRow_;
    QMimeData* mime = RowsMimeData(rows);
    if (!mime) return;
    auto* drag = new QDrag(list);
    drag->setMimeData(mime);
    if (QListWidgetItem* item = list->item(rows.front()))
        drag->setPixmap(item->icon().pixmap(list->iconSize()));
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
}

bool TMainInput::DropEvent(QEvent* e, bool ontoPhotoList) {
    auto* drop = static_cast<QDropEvent*>(e);
    std::vector<std::string> packages, photos;
    DroppedFiles(drop->mimeData(), packages, photos);
    const bool wanted = !packages.empty() || (ontoPhotoList && !photos.empty());
    if (e->type() != QEvent::Drop) {
        if (wanted) drop->acceptProposedAction();
        else drop->ignore();
        return true;
    }
    if (!wanted) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    // Packages are received as "/ALBUM" receives them (from the event loop, once the drop is
    // over); photos are filed into the open album.
    for (const std::string& p : packages) main_.ActOnArguments({"/ALBUM", p});
    if (ontoPhotoList && !photos.empty())
        if (TImportBar* bar = main_.ImportBarContents()) bar->AddDroppedFiles(photos);
    return true;
}

bool TMainInput::PhotoListEvent(QObject* o, QEvent* e) {
    TPhotoList* list = main_.PhotoList();
    switch (e->type()) {
        case QEvent::ContextMenu: {
            auto* c = static_cast<QContextMenuEvent*>(e);
            QPoint global = c->globalPos();
            if (c->reason() == QContextMenuEvent::Mouse && o == list->viewport()) {
                // The row under the pointer becomes the shown photo, as a click makes it.
                const int row = list->row(list->itemAt(c->pos()));
                if (row >= 0 && row != main_.SelectedRow()) main_.SelectRow(row);
            } else if (QListWidgetItem* item = list->currentItem()) {
                global = list->viewport()->mapToGlobal(list->visualItemRect(item).center());
            }
            ShowMenu(photoMenu_, global);
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(e);
            pressRow_ = -1;
            if (m->button() == Qt::LeftButton && o == list->viewport()) {
                pressPos_ = m->position().toPoint();
                pressRow_ = list->row(list->itemAt(pressPos_));
            }
            return false;
        }
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (pressRow_ >= 0 && (m->buttons() & Qt::LeftButton) &&
                (m->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
                StartDrag();
                pressRow_ = -1;
                return true;
            }
            return false;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return o == list->viewport() && DropEvent(e, true);
        default:
            return false;
    }
}

bool TMainInput::eventFilter(QObject* o, QEvent* e) {
    TPhotoList* list = main_.PhotoList();
    if (o == list || o == list->viewport()) return PhotoListEvent(o, e);
    if (o == &main_) {
        if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove || e->type() == QEvent::Drop)
            return DropEvent(e, false);
        return false;
    }
    // The picture area: the scroll box, its viewport and the picture.
    if (e->type() == QEvent::ContextMenu) {
        auto* c = static_cast<QContextMenuEvent*>(e);
        QPoint global = c->globalPos();
        if (c->reason() != QContextMenuEvent::Mouse)
            global = main_.PhotoArea()->mapToGlobal(main_.PhotoArea()->rect().center());
        ShowMenu(pictureMenu_, global);
        return true;
    }
    return false;
}
