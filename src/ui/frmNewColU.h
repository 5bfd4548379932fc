#pragma once
// The new album dialog: a name and an icon from the album icon strip. "OK" checks the name and,
// when it passes, writes the album's empty file and closes with success; every other way of
// closing is no success. The main window's New Album command and the scanner import reuse it
// and read the name and the icon afterwards.

#include <QDialog>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TCatalog;
class THelp;
class THints;
class TfrmIcons;

class TfrmNewCol : public QDialog {
    Q_OBJECT
public:
    TfrmNewCol(TCatalog& catalog, THelp& help, THints& hints, QWidget* parent = nullptr);

    // The icon list dialog that the right mouse button on the icon box opens.
    void SetIconList(TfrmIcons* icons) { icons_ = icons; }

    // The name field's text in the catalog's encoding.
    std::string AlbumName() const;
    // The chosen icon: its position in the strip, 0 when the strip has no pictures.
    int IconIndex() const;

    // One icon box entry per picture of the strip, in strip order; the first is selected.
    void FillIconBox();
    // Right mouse button on the icon box: the icon list dialog, then the icon box afresh.
    void ComboBox1ContextPopup();
    void btnOKClick();
    void btnHelpClick();

    QComboBox* IconBox() const { return ComboBox1; }
    QLineEdit* NameBox() const { return Edit1; }
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* CancelButton() const { return btnCancel; }
    QPushButton* HelpButton() const { return btnHelp; }

protected:
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    TCatalog& catalog_;
    THelp& help_;
    THints& hints_;
    TfrmIcons* icons_ = nullptr;

    QLabel* lblText = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
