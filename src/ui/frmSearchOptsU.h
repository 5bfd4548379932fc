#pragma once
// The search options dialog: which catalog field a search looks in. Its radio buttons start at
// "Notes" every run and keep the user's choice between showings; "OK" writes the setting (or,
// with "Only apply to this Search" ticked, keeps the field for the next search only), the close
// box changes nothing.

#include <QDialog>

#include "TSearch.h"

class QCheckBox;
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
    // "Only apply to this Search": OK then sets the field for the next search only.
    QCheckBox* OnlyThisSearchBox() const { return chkOnlyThisSearch; }
    // Shown from Preferences: there is no search at hand, so the check box is disabled for that
    // showing and enabled again afterwards.
    int ExecFromPreferences();
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
    QCheckBox* chkOnlyThisSearch = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
};
