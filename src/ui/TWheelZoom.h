#pragma once
// Ctrl + mouse wheel over a view runs its Zoom In (wheel away from the user) and Zoom Out
// (towards) commands, one step per wheel notch, so the wheel zooms exactly as the commands do and
// only while they are enabled. Fine-grained wheels (touchpads) add up to whole notches.
#include <QObject>

class QAction;
class QWidget;

class TWheelZoom : public QObject {
    Q_OBJECT
public:
    TWheelZoom(QWidget* view, QAction* zoomIn, QAction* zoomOut);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* zoomIn_;
    QAction* zoomOut_;
    int pending_ = 0;  // wheel angle not yet used, in eighths of a degree
};
