#pragma once
// The About window: a borderless white window centred on the main window with the program's
// picture, name and version, the authors' notice, the libraries it is built with, a line that
// thanks the user (or, after five starts, asks about a donation), and the buttons "Read Me",
// "Licence Agreement", "Donate" and "OK". Created once at start-up and reused.

#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QPushButton;
class TSettingsStore;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(TSettingsStore& settings, QWidget* parent = nullptr);

    // The folder that holds readme.txt and licence.txt.
    void SetInstallFolder(const std::string& folder) { installFolder_ = folder; }

    // The caption line for a start counter: thanks up to five starts, a donation question after.
    static QString CaptionFor(int timesRun);
    // Reads the start counter (1 when there is none) and sets the caption line from it.
    void UpdateCaption();

    QLabel* CaptionLabel() const { return lblCaption; }
    QPushButton* ReadMeButton() const { return btnReadMe; }
    QPushButton* LicenceButton() const { return btnLicence; }
    QPushButton* DonateButton() const { return btnDonate; }
    QPushButton* OkButton() const { return btnOK; }

signals:
    // "Donate" was clicked: the main window opens the Donate window.
    void DonateClicked();

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void FitHeight();
    TSettingsStore& settings_;
    std::string installFolder_;
    QLabel* lblCaption = nullptr;
    QPushButton* btnReadMe = nullptr;
    QPushButton* btnLicence = nullptr;
    QPushButton* btnDonate = nullptr;
    QPushButton* btnOK = nullptr;
};
