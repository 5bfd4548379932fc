#pragma once
// The splash window: a borderless picture that stays on top while the program starts, until the
// main window is first shown.

#include <QWidget>

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* parent = nullptr);

    // Shows the window centred on the primary screen and paints it at once.
    void ShowNow();

    static constexpr int kWidth = 500;
    static constexpr int kHeight = 100;

protected:
    void paintEvent(QPaintEvent* e) override;
};
