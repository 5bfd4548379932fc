#pragma once
// The small progress dialog that files one scanned photo into the catalog: it does the work when
// it is shown and enables "OK" when done.

#include <QDialog>

#include "TDeviceImport.h"

class QLabel;
class QPushButton;
class TfrmMain;

class TfrmImportingImgCam : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImportingImgCam(TfrmMain& main, QWidget* parent = nullptr);

    // The photo to file at the next showing.
    void SetFields(const TDeviceImportFields& fields) { fields_ = fields; }
    // The filing (run once the dialog is on screen).
    void FormShow();
    const TDeviceFiled& Filed() const { return filed_; }

    QLabel* StatusLabel() const { return Label1; }
    QPushButton* OkButton() const { return btnOK; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    TfrmMain& main_;
    TDeviceImportFields fields_;
    TDeviceFiled filed_;
    QLabel* Label1 = nullptr;
    QPushButton* btnOK = nullptr;
};
