#pragma once
// The "Set as Wallpaper" dialog: how the picture is laid out on the screen. It is created once;
// the last choice stays selected for the next use. Execute returns the chosen position on "OK"
// and nothing on "Cancel" or any other way of closing.

#include <QDialog>

#include <optional>

#include "TWallpaper.h"

class QPushButton;
class QRadioButton;
class THelp;

class TfrmSetWall : public QDialog {
    Q_OBJECT
public:
    TfrmSetWall(THelp& help, QWidget* parent = nullptr);

    std::optional<viewer::TWallpaperPosition> Execute();
    viewer::TWallpaperPosition Position() const;

    QRadioButton* StretchedButton() const { return rbStretched; }
    QRadioButton* TiledButton() const { return rbTiled; }
    QRadioButton* CenteredButton() const { return rbCentered; }
    QPushButton* OkButton() const { return btnOK; }
    QPushButton* CancelButton() const { return btnCancel; }
    QPushButton* HelpButton() const { return btnHelp; }

private:
    THelp& help_;
    QRadioButton* rbStretched = nullptr;
    QRadioButton* rbTiled = nullptr;
    QRadioButton* rbCentered = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
