#pragma once
// The Donate window: a fixed-size dialog centred on the screen that asks for a voluntary
// donation (nothing in the program is ever locked), with a picture that opens the donation page
// in the default browser and a "Close" button. Created once at start-up and reused.

#include <QDialog>

class QAbstractButton;
class QPushButton;

class TfrmDonate : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDonate(QWidget* parent = nullptr);

    QAbstractButton* DonatePicture() const { return imgDonate; }
    QPushButton* CloseButton() const { return btnClose; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    QAbstractButton* imgDonate = nullptr;
    QPushButton* btnClose = nullptr;
};
