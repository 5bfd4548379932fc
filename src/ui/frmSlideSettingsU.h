#pragma once
// The slideshow settings dialog: whether and after how many seconds the next photo follows, and
// what happens after the last one. "Start" opens the slideshow window over the album's photos
// and closes the dialog once the show has ended. The dialog is created once; its choices last
// for the run and are not stored.

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TMessages;
class THelp;
class TfrmShow;

class TfrmSlideSettings : public QDialog {
    Q_OBJECT
public:
    TfrmSlideSettings(TfrmShow& show, TMessages& messages, THelp& help, QWidget* parent = nullptr);

    // The album's row paths and the Preferences option for the next show; then exec().
    void Prepare(const std::vector<std::string>& rowPaths, bool resizeFull);

    void btnStartClick();
    void btnHelpClick();

    QCheckBox* NextAfterBox() const { return chkNext; }
    QLineEdit* SecondsBox() const { return edtSeconds; }
    QRadioButton* CloseAfterLastButton() const { return rbClose; }
    QRadioButton* LoopButton() const { return rbLoop; }
    QPushButton* StartButton() const { return btnStart; }
    QPushButton* CancelButton() const { return btnCancel; }
    QPushButton* HelpButton() const { return btnHelp; }

private:
    TfrmShow& show_;
    TMessages& messages_;
    THelp& help_;
    std::vector<std::string> rowPaths_;
    bool resizeFull_ = false;

    QCheckBox* chkNext = nullptr;
    QLineEdit* edtSeconds = nullptr;
    QRadioButton* rbClose = nullptr;
    QRadioButton* rbLoop = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnCancel = nullptr;
};
