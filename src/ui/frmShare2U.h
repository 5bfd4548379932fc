#pragma once
// The Share dialog: exports the album open in the main window as a shared album package or a
// plain Zip (the work is sharing::TAlbumExport's; the dialog gathers the choices and shows the
// progress). Created once and reused: the choices stay as the user left them.

#include <QDialog>

#include <string>

#include "TAlbumExport.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class TAlbumView;
class TCatalog;
class THelp;
class THints;
class TMessages;

class TfrmShare2 : public QDialog, private sharing::TShareObserver {
    Q_OBJECT
public:
    TfrmShare2(TCatalog& catalog, TAlbumView& view, THelp& help, THints& hints, TMessages& messages,
               QWidget* parent = nullptr);

    // The export's work folder (for tests; the default is per user, under the cache folder).
    void SetWorkFolder(const std::string& folder);

    // The events.
    void comboTypeChange();
    void fileNameChange();
    void fileNameBrowse();
    void startSharing();

    // True from "Begin" until the export has ended.
    bool Exporting() const { return exporting_; }
    sharing::TShareMethod Method() const;
    sharing::TShrink Shrink() const;

    // Controls, named as the dialog's parts are.
    QGroupBox* grpMethod = nullptr;
    QGroupBox* grpTarget = nullptr;
    QGroupBox* grpPhotos = nullptr;
    QComboBox* comboType = nullptr;
    QLabel* lblExplainType = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* fileName = nullptr;
    QToolButton* btnBrowse = nullptr;
    QRadioButton* radNo = nullptr;
    QRadioButton* radHalf = nullptr;
    QRadioButton* radThird = nullptr;
    QRadioButton* radQuarter = nullptr;
    QLabel* lblDoing = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnBegin = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void done(int result) override;

private:
    void OnStatus(const std::string& text) override;
    void OnProgress(int position, int maximum) override;
    void SetExporting(bool on);

    TCatalog& catalog_;
    TAlbumView& view_;
    THelp& help_;
    THints& hints_;
    TMessages& messages_;
    std::string workFolder_;
    std::string filter_;
    bool exporting_ = false;
};
