#include "TImageCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include <cstdlib>

#include "TDialogParts.h"
#include "TEditorLaunch.h"
#include "TExactProcess.h"
#include "THelp.h"
#include "TMessages.h"
#include "TPhotoList.h"
#include "TPlatform.h"
#include "TPrintLayout.h"
#include "TSettingsStore.h"
#include "TSlideshow.h"
#include "TViewerModel.h"
#include "TWallpaper.h"
#include "frmFullU.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"
#include "frmSetWallU.h"
#include "frmShowU.h"
#include "frmSlideSettingsU.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

QString Local(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

// While the editor runs, the user's input to the program's windows is dropped (painting and
// timers go on): the window cannot be closed or used until the editor has ended.
class TInputBlocker : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::DragEnter:
            case QEvent::Drop:
                return true;
            case QEvent::Close:
                if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow()) {
                    e->ignore();
                    return true;
                }
                return false;
            default:
                return false;
        }
    }
};

}  // namespace

TImageCommands::TImageCommands(TfrmMain& main, TSettingsStore& settings, TMessages& messages, THelp& help)
    : main_(main), settings_(settings), messages_(messages), help_(help),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName("ImageCommands");
    userName = [] { return TLinuxPlatform().UserName(); };
    dataFolder = [] {
        return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).toStdString();
    };
    frmFull_ = new TfrmFull(settings_, &main_);
    frmShow_ = new TfrmShow(messages_, &main_);
    frmSlideSettings_ = new TfrmSlideSettings(*frmShow_, messages_, help_, &main_);
    frmSetWall_ = new TfrmSetWall(help_, &main_);

    const std::pair<const char*, void (TImageCommands::*)()> commands[] = {
        {"ViewFullScreen", &TImageCommands::ViewFullScreenExecute},
        {"SlideShow", &TImageCommands::SlideShowExecute},
        {"CopyImg", &TImageCommands::CopyImgExecute},
        {"SetAsWallpaper", &TImageCommands::SetAsWallpaperExecute},
        {"Print", &TImageCommands::PrintExecute},
        {"PrintPrefs", &TImageCommands::PrintPrefsExecute},
        {"EditImage1", &TImageCommands::EditImage1Execute},
    };
    for (const auto& [name, handler] : commands)
        if (QAction* a = main_.Command(name))
            connect(a, &QAction::triggered, this, [this, handler = handler] { (this->*handler)(); });
}

TImageCommands::~TImageCommands() = default;

// ---- Full screen and slideshow ----

void TImageCommands::ViewFullScreenExecute() {
    const viewer::TViewerModel& m = main_.ViewerModel();
    if (!m.HasPicture()) return;
    frmFull_->SetPicture(m.Picture(), main_.Prefs() && main_.Prefs()->ResizeFull());
    frmFull_->CoverScreen(main_.screen());
    frmFull_->exec();
    // The photo list is filled afresh, which leaves it without a selected row.
    main_.UpdThumbs();
}

void TImageCommands::SlideShowExecute() {
    std::vector<std::string> paths = main_.AlbumView().RowPaths();
    paths.resize(std::size_t(std::max(0, std::min<int>(main_.AlbumView().RowCount(), int(paths.size())))));
    if (viewer::TSlideSequence(paths).Empty()) {
        ShowOk(messages_, "View as Slideshow", "There are no photos in this album to show.", TMsgIcon::Information);
        return;
    }
    frmSlideSettings_->Prepare(paths, main_.Prefs() && main_.Prefs()->ResizeFull());
    frmSlideSettings_->exec();
}

// ---- Copy and wallpaper ----

void TImageCommands::CopyImgExecute() {
    const viewer::TViewerModel& m = main_.ViewerModel();
    if (!m.HasPicture()) return;
    QGuiApplication::clipboard()->setImage(m.Picture().copy());
}

void TImageCommands::SetAsWallpaperExecute() {
    const viewer::TViewerModel& m = main_.ViewerModel();
    if (!m.HasPicture()) return;
    const QImage picture = m.Picture().copy();
    const std::string user = userName();
    const std::optional<viewer::TWallpaperPosition> position = frmSetWall_->Execute();
    if (!position) return;

    // Always the per-user data folder: never the working directory (a photo folder, the install
    // folder), which is not the program's to fill.
    const std::string folder = dataFolder();
    const std::string path = folder + "/" + viewer::WallpaperFileName(user);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string error;
    bool saved = ForceFolders(folder, &error);
    if (saved) saved = viewer::SaveWallpaperFile(picture, path, error);
    if (!saved) {
        QApplication::restoreOverrideCursor();
        ShowOk(messages_, "Set As Wallpaper", "The wallpaper could not be saved as " + path + ".\n\n" + error,
               TMsgIcon::Error);
        return;
    }
    wallpaperPath_ = path;
    viewer::WriteDesktopValues(settings_, path, *position);
    viewer::TProcessRunner runner;
    const viewer::TWallpaperApplied applied =
        viewer::ApplyWallpaper(path, *position, Env("XDG_CURRENT_DESKTOP"), Env("DISPLAY"), runner);
    QApplication::restoreOverrideCursor();
    if (applied.applied) return;
    const std::string where = "The picture was saved as \"" + path +
                              "\"; you can choose it as the wallpaper in your desktop's own settings.";
    if (applied.tool.empty())
        ShowOk(messages_, "Set As Wallpaper",
               "Lumavell2 does not know how to change the wallpaper of this desktop. " + where, TMsgIcon::Information);
    else
        ShowOk(messages_, "Set As Wallpaper",
               "The desktop did not take the new wallpaper (\"" + applied.tool +
                   "\" is not installed or did not succeed). " + where,
               TMsgIcon::Warning);
}

// ---- Printing ----

bool TImageCommands::PrinterReady() {
    QPrinter& p = *printer_;
    if (p.outputFormat() == QPrinter::NativeFormat && p.isValid() && !p.printerName().isEmpty()) return true;
    if (p.outputFormat() == QPrinter::PdfFormat && !p.outputFileName().isEmpty()) {
        // Printing to a file chosen earlier: a file already there is not replaced unasked. The
        // print dialog shows the name, lets the user change it and asks before overwriting.
        if (!QFileInfo::exists(p.outputFileName())) return true;
        QPrintDialog dialog(printer_.get(), &main_);
        dialog.setWindowTitle("Print");
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        return dialog.exec() == QDialog::Accepted;
    }
    // No printer to send the job to: say so, and let the user choose where it goes instead
    // (the print dialog offers printing to a PDF file).
    ShowOk(messages_, "Print",
           "No printer is installed. In the next window you can choose \"Print to File (PDF)\" to save the photo "
           "as a PDF file instead.",
           TMsgIcon::Information);
    QPrintDialog dialog(printer_.get(), &main_);
    dialog.setWindowTitle("Print");
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

void TImageCommands::PrintExecute() {
    const viewer::TViewerModel& m = main_.ViewerModel();
    if (!m.HasPicture()) return;
    const QImage picture = m.Picture().copy();
    if (!PrinterReady()) return;
    QPrinter& printer = *printer_;
    printer.setDocName(QString());
    printer.setPageOrientation(viewer::PrintOrientation(picture.width(), picture.height()) ==
                                       viewer::TPageOrientation::Landscape
                                   ? QPageLayout::Landscape
                                   : QPageLayout::Portrait);
    printer.setFromTo(0, 0);
    printer.setCopyCount(std::max(1, printer.copyCount()));
    QPainter painter;
    if (!painter.begin(&printer)) {
        ShowOk(messages_, "Print", "The photo could not be printed: the printer did not accept the job.",
               TMsgIcon::Error);
        return;
    }
    // The painter's origin is the printable area's top-left corner.
    const QRect area = printer.pageRect(QPrinter::DevicePixel).toRect();
    const viewer::TRect r = viewer::PrintRect(picture.width(), picture.height(), area.width(), area.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(r.left, r.top, r.width, r.height), picture);
    if (!painter.end())
        ShowOk(messages_, "Print", "The photo could not be printed: the print job did not finish.", TMsgIcon::Error);
}

void TImageCommands::PrintPrefsExecute() {
    QPrintDialog dialog(printer_.get(), &main_);
    dialog.setWindowTitle("Print Preferences");
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    // The dialog only chooses the printer and its settings; nothing is printed from it.
    if (auto* box = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText("OK");
    dialog.exec();
}

// ---- The external editor ----

bool TImageCommands::RunEditorAndWait(const std::string& program, const std::string& name,
                                      const std::string& photo) {
    // The photo's path goes to the editor as its bytes, whatever the file name's encoding.
    TExactArguments exact(program, {photo});
    QProcess editor;
    exact.ApplyTo(editor);
    editor.setProcessChannelMode(QProcess::ForwardedChannels);
    editor.start();
    if (!editor.waitForStarted(10000)) return false;

    waiting_ = true;
    if (!lblWaiting_) {
        lblWaiting_ = new QLabel(main_.Viewer());
        lblWaiting_->setObjectName("lblWaiting");
        lblWaiting_->setStyleSheet(
            "QLabel { background: #fff8d0; color: black; border: 1px solid #b0a060; padding: 6px 12px; }");
    }
    lblWaiting_->setText(Local("Waiting for the image editor (" + name + ") to close..."));
    lblWaiting_->setAccessibleName(lblWaiting_->text());
    lblWaiting_->adjustSize();
    lblWaiting_->move(std::max(0, (main_.Viewer()->width() - lblWaiting_->width()) / 2), 40);
    lblWaiting_->show();
    lblWaiting_->raise();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    TInputBlocker blocker;
    qApp->installEventFilter(&blocker);

    QEventLoop loop;
    connect(&editor, &QProcess::finished, &loop, &QEventLoop::quit);
    connect(&editor, &QProcess::errorOccurred, &loop, [&loop, &editor] {
        if (editor.state() == QProcess::NotRunning) loop.quit();
    });
    if (editor.state() != QProcess::NotRunning) loop.exec();

    qApp->removeEventFilter(&blocker);
    QApplication::restoreOverrideCursor();
    lblWaiting_->hide();
    waiting_ = false;
    return true;
}

void TImageCommands::EditImage1Execute() {
    const viewer::TViewerModel& m = main_.ViewerModel();
    const std::string photo = viewer::UnquotedPath(m.EditorParameters());
    if (photo.empty()) return;
    const viewer::TViewSource source = m.State().source;
    int photoRow = main_.SelectedRow();
    // The list can have lost its selection while the photo stays in the pane (full screen fills
    // the list afresh): the row is then the one that holds the photo's file.
    if (photoRow < 0 && source == viewer::TViewSource::PhotoList) {
        const std::vector<std::string>& paths = main_.AlbumView().RowPaths();
        const int rows = std::min<int>(main_.AlbumView().RowCount(), int(paths.size()));
        for (int i = 0; i < rows && photoRow < 0; ++i)
            if (paths[std::size_t(i)] == photo) photoRow = i;
    }
    const int importRow = main_.importCurrentRow ? main_.importCurrentRow() : -1;

    const viewer::TEditorLaunch launch = viewer::ResolveEditor(m.EditorProgram(), photo, FindProgramBytes);
    bool started = false;
    if (launch.wait)
        started = RunEditorAndWait(launch.program, launch.name, photo);
    else
        started = TExactArguments(launch.program, {photo}).StartDetached();
    if (!started)
        ShowOk(messages_, "Edit Image", "The image editor \"" + launch.name + "\" could not be started.",
               TMsgIcon::Error);

    // The photo is shown anew from the list that supplied it, so the editor's changes appear.
    // Where that list has lost its selection meanwhile, the row the photo was shown from is used.
    if (source == viewer::TViewSource::ImportList) {
        if (!main_.selectImportRow) return;
        int row = main_.importCurrentRow ? main_.importCurrentRow() : -1;
        if (row < 0) row = importRow;
        const int count = main_.importRowCount ? main_.importRowCount() : 0;
        if (row >= 0 && row < count) main_.selectImportRow(row);
        return;
    }
    int row = main_.SelectedRow();
    if (row < 0) row = photoRow;
    if (row >= 0 && row < main_.PhotoList()->count()) main_.SelectRow(row);
}
