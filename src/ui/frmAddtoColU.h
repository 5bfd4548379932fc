#pragma once
// The add to album dialog: the album lines without the reserved last line, each with its icon
// and name. "OK" closes with success once an album is chosen that is not read-only (icon 0 or 2);
// every other way of closing is no success.

#include <QDialog>

#include <string>

class QLabel;
class QListWidget;
class QPushButton;
class TCatalog;
class THelp;

class TfrmAddtoCol : public QDialog {
    Q_OBJECT
public:
    TfrmAddtoCol(TCatalog& catalog, THelp& help, QWidget* parent = nullptr);

    // Fills the list from the album list; no line is selected.
    void FillList();
    // The album line chosen at the last successful "OK" ("" before any).
    const std::string& ChosenLine() const { return chosen_; }

    void btnOKClick();
    void btnHelpClick();

    QListWidget* AlbumList() const { return ListBox1; }
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* CancelButton() const { return btnCancel; }
    QPushButton* HelpButton() const { return btnHelp; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    TCatalog& catalog_;
    THelp& help_;
    std::string chosen_;

    QLabel* lblText = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
