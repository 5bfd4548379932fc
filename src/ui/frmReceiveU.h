#pragma once
// The Receive dialog: as soon as it is shown it receives the package given on the command line
// (the work is sharing::TAlbumReceive's) and shows the new album's name and icon; "OK" closes it
// once the receive has ended, whichever way. After a failed receive the dialog says so instead
// of calling the album ready, and shows no album name.

#include <QDialog>

#include <string>

#include "TAlbumReceive.h"

class QLabel;
class QPushButton;
class TCatalog;

class TfrmReceive : public QDialog, private sharing::TReceiveObserver {
    Q_OBJECT
public:
    explicit TfrmReceive(TCatalog& catalog, QWidget* parent = nullptr);

    // The package to receive at the next showing.
    void SetPackage(const std::string& path) { package_ = path; }
    const std::string& Package() const { return package_; }
    // Whether the last receive added an album.
    bool Succeeded() const { return succeeded_; }
    // The receive itself, once per showing (the showing runs it as soon as the dialog is painted).
    void FormShow();
    sharing::TAlbumReceive& Receiver() { return receive_; }

    static constexpr const char* kReadyText =
        "You have received an album from someone. Lumavell has now prepared the album so it is ready for you to "
        "view. Click OK to continue.";
    static constexpr const char* kFailedText =
        "You have received an album from someone, but Lumavell could not add it to your albums. Nothing of it was "
        "kept. Click OK to continue.";

    QLabel* lblIntro = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* fileName = nullptr;  // hidden, kept up to date
    QLabel* lblDoing = nullptr;  // hidden, kept up to date

signals:
    // The receive has ended (Button1 is enabled).
    void ReceiveEnded(bool succeeded);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnStatus(const std::string& text) override;
    void OnAlbumName(const std::string& name) override;
    void OnIcon(const QImage& icon) override;
    void OnBusy() override;

    TCatalog& catalog_;
    sharing::TAlbumReceive receive_;
    std::string package_;
    bool succeeded_ = false;
    bool pending_ = false;  // shown, and the receive has not run yet
};
