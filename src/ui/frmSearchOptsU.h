#pragma once
// The search options dialog: which catalog field a search looks in. Its radio buttons start at
// "Notes" every run and keep the user's choice between showings; "OK" writes the setting, the
// close box changes nothing.

#include <QDialog>

#include "TSearch.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

class TfrmSearchOpts : public QDialog {
    Q_OBJECT
public:
    TfrmSearchOpts(TSearchOptions& options, QWidget* parent = nullptr);

    QRadioButton* Radio(TSearchField field) const;
    // The field of the checked radio button.
    TSearchField Checked() const;
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* HelpButton() const { return btnHelp; }

    void btnOKClick();

signals:
    void HelpClicked();

private:
    TSearchOptions& options_;
    QGroupBox* grpLookIn = nullptr;
    QRadioButton* rbNotes = nullptr;
    QRadioButton* rbName = nullptr;
    QRadioButton* rbPhotographer = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
};
