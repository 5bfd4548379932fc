#pragma once
// Tool bar buttons of commands without a hint show no tool tip. Qt would otherwise show the
// button's caption, which tells the user nothing the button does not already say.
#include <QObject>

class QToolBar;

class TQuietToolTips : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Watches every button of the tool bar; those whose command has no tip of its own show none.
    static void Install(QToolBar* bar);

    // True (the event is swallowed) for the tool tip of a button whose command has no hint.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
