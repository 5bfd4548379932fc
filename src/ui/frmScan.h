#pragma once
// The scanner and camera import dialog: it acquires a photo through the TWAIN engine as soon as
// it opens, shows it as a preview, and files it into an album with a title, a photographer and
// comments, written as a JPEG file where the user chooses. After each photo it offers another.
// Created once with the main window and reused; the file name box keeps its text.

#include <QDialog>
#include <QImage>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TfrmMain;
class TfrmImportingImgCam;
struct TDeviceImportFields;

class TfrmCamera : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCamera(TfrmMain& main, QWidget* parent = nullptr);

    // The common step of opening, "Re-Pick" and another photo: acquire, and show the first
    // image of the acquisition when there is one.
    void AcquirePreview();
    // The dialog's showing: credit, source selection, acquisition, album list.
    void FormShow();
    void btnRePickClick();
    void btnImportClick();
    void btnHelpClick();
    // The album drop-down's selection changed (the last line creates an album).
    void lmdComboChange(int index);
    // The file name box's browse button: the "Save Photo" dialog; false when cancelled.
    bool lmdSaveBrowse();
    // The album drop-down filled from albums.pdat and the extra line.
    void FillAlbums(bool afterCreation);

    // The acquired picture at its full size (null before the first acquisition).
    const QImage& Picture() const { return picture_; }
    TDeviceImportFields Fields() const;
    QLabel* PreviewBox() const { return Image1; }
    QLineEdit* FileNameBox() const { return lmdSave; }
    QToolButton* BrowseButton() const { return btnBrowse; }
    QComboBox* AlbumBox() const { return lmdCombo; }
    QLineEdit* NameBox() const { return Edit1; }
    QLineEdit* CreditBox() const { return Edit2; }
    QPlainTextEdit* CommentsBox() const { return Memo1; }
    QPushButton* ImportButton() const { return btnImport; }
    QPushButton* RePickButton() const { return btnRePick; }
    QPushButton* CancelButton() const { return btnCancel; }
    QPushButton* HelpButton() const { return btnHelp; }
    TfrmImportingImgCam* ImportingDialog() const { return frmImporting_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ShowPicture();
    // After a filing: the file name box proposes the next free name beside the filed photo.
    void ProposeNextName(const std::string& filed);

    TfrmMain& main_;
    QImage picture_;
    TfrmImportingImgCam* frmImporting_ = nullptr;
    // The last path the "Save Photo" dialog returned: that dialog already asked about replacing it.
    std::string confirmedPath_;
    // The name last proposed after a filing, and the stem it was numbered from, so that the
    // numbering goes on ("a 2.jpg", "a 3.jpg") instead of growing ("a 2 2.jpg").
    std::string proposedPath_;
    std::string proposedStem_;

    QLabel* lblText = nullptr;
    QLabel* Image1 = nullptr;
    QLineEdit* lmdSave = nullptr;
    QToolButton* btnBrowse = nullptr;
    QComboBox* lmdCombo = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnImport = nullptr;
    QPushButton* btnRePick = nullptr;
    QPushButton* btnCancel = nullptr;
};
