#pragma once
// The Image Properties dialog: the shown photo's title (a bold field without a label) and its
// photographer ("Taken by"). It is created once at start-up and filled each time it is shown;
// "OK" accepts, "Cancel" and the close box reject, and the main window writes the catalog.

#include <QDialog>

#include "TPhotoProperties.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmProperties : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProperties(QWidget* parent = nullptr);

    // Puts the photo's current values into the two fields.
    void SetFields(const TPhotoProperties::TFields& fields);
    // The two fields as the user left them.
    TPhotoProperties::TFields Fields() const;

    QLineEdit* NameBox() const { return edtName; }
    QLineEdit* CreditBox() const { return edtCredit; }
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* CancelButton() const { return btnCancel; }
    QPushButton* HelpButton() const { return btnHelp; }

signals:
    void HelpClicked();

private:
    QLineEdit* edtName = nullptr;
    QLabel* lblTakenBy = nullptr;
    QLineEdit* edtCredit = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
