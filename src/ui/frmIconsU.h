#pragma once
// The icon list dialog: every picture of the album icon strip, and a file field through which
// the user adds a 16 x 16 bitmap to the strip. "OK" writes the strip to icons.pdat.
//
// Also home of the white title strip that the album dialogs share.

#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;
class TCatalog;
class THelp;

class TfrmIcons : public QDialog {
    Q_OBJECT
public:
    TfrmIcons(TCatalog& catalog, THelp& help, QWidget* parent = nullptr);

    // Refills the list from the icon strip (one picture per entry, in strip order).
    void FillList();
    // "Add": a bitmap of exactly 16 x 16 pixels joins the strip; anything else is refused.
    void btnAddClick();
    // The browse button: a file dialog for bitmaps fills the file field.
    void btnBrowseClick();
    void btnHelpClick();
    // "OK": writes the strip and closes.
    void btnOKClick();

    QListWidget* IconList() const { return ListBox1; }
    QLineEdit* PathBox() const { return edtPath; }
    QPushButton* AddButton() const { return btnAdd; }
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* HelpButton() const { return btnHelp; }
    QToolButton* BrowseButton() const { return btnBrowse; }

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void done(int result) override;

private:
    TCatalog& catalog_;
    THelp& help_;
    // Pictures were added since the strip was last written.
    bool unsaved_ = false;

    QLabel* lblText = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* lblPath = nullptr;
    QLineEdit* edtPath = nullptr;
    QToolButton* btnBrowse = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
};
