#pragma once
// Help > Keyboard Shortcuts: every key of the program, read from the key table, grouped by where
// it works, each with what it does.

#include <QDialog>

class QTreeWidget;
class TfrmMain;

class TfrmShortcuts : public QDialog {
    Q_OBJECT
public:
    explicit TfrmShortcuts(TfrmMain& main);
    QTreeWidget* List() const { return lstKeys; }
    // Fills the list from the key table (captions from the main window's commands).
    void Fill();

private:
    TfrmMain& main_;
    QTreeWidget* lstKeys = nullptr;
};
