#pragma once
// The Preferences dialog. It is created once at start-up, filled from the settings store there,
// and keeps its controls' state between showings; other windows read several options straight
// from its check boxes. "OK" writes the options that are not written on each click.

#include <QDialog>
#include <QString>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TMessages;
class TSettingsStore;

class TfrmPrefs2 : public QDialog {
    Q_OBJECT
public:
    TfrmPrefs2(TSettingsStore& settings, TMessages& messages, QWidget* parent = nullptr);
    ~TfrmPrefs2() override;

    // ---- Filling at start-up ----
    // Sets "Update bars as I resize them"; becoming checked runs its click behaviour.
    void LoadUpdateBar(bool checked);
    // Sets "Save thumbnails"; becoming checked runs its click behaviour.
    void LoadSaveThumbs(bool checked);
    // Sets "Compress thumbnails to save disk space", enabled exactly while "Save thumbnails" is.
    void LoadCompressThumbs(bool checked);
    void LoadResizeFull(bool checked);
    // The stored Windows default shows as an empty box (the desktop's default editor).
    void SetImageEditor(const std::string& path);

    // ---- The options as the controls hold them ----
    bool SaveThumbs() const;
    bool CompressThumbs() const;
    bool UpdateBar() const;
    bool ResizeFull() const;
    std::string ImageEditor() const;

    // ---- Control behaviour ----
    void chkSaveThumbsClick();
    void chkUpdateBarClick();
    void btnBrowseClick();
    void btnOKClick();

    QCheckBox* SaveThumbsBox() const { return chkSaveThumbs; }
    QCheckBox* CompressThumbsBox() const { return chkCompress; }
    QCheckBox* UpdateBarBox() const { return chkUpdateBar; }
    QCheckBox* ResizeFullBox() const { return chkResizeFull; }
    QLineEdit* ImageEditorBox() const { return edtEditor; }

signals:
    // "Update bars as I resize them" was clicked: the album divider's dragging style follows.
    void UpdateBarChanged(bool live);
    void PrintingClicked();
    void IconsClicked();
    void SearchOptionsClicked();
    void HelpClicked();
    void RefreshThumbnailsClicked();
    // "Save thumbnails" was cleared by the user (the cached thumbnails may be removed).
    void SaveThumbsCleared();

private:
    TSettingsStore& settings_;
    TMessages& messages_;
    int listener_ = 0;

    QCheckBox* chkSaveThumbs = nullptr;
    QCheckBox* chkCompress = nullptr;
    QPushButton* btnRefreshThumbs = nullptr;
    QCheckBox* chkUpdateBar = nullptr;
    QCheckBox* chkResizeFull = nullptr;
    QLabel* lblEditor = nullptr;
    QLineEdit* edtEditor = nullptr;
    QToolButton* btnBrowse = nullptr;
    QPushButton* btnPrinting = nullptr;
    QPushButton* btnIcons = nullptr;
    QPushButton* btnSearchOpts = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
};
