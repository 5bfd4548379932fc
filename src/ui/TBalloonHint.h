#pragma once
// A balloon hint: a rounded box of text with a tail whose tip points at a control. Its position
// setting says where the box sits relative to the tip (above-left, above-right, below-left,
// below-right). It closes when clicked or after a while; showing another text replaces it.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <map>
#include <string>

#include "THints.h"

class QPainterPath;

class TBalloonHint : public QWidget {
    Q_OBJECT
public:
    // parent: the window the hint belongs to (the hint is deleted with it).
    explicit TBalloonHint(QWidget* parent = nullptr);

    void SetPosition(THintPosition position) { position_ = position; }
    THintPosition Position() const { return position_; }

    // How long a hint stays up, in milliseconds; 0 (the default) picks a time from the length
    // of the text, long enough to read it.
    void SetHideAfter(int ms) { hideAfter_ = ms; }
    int HideAfterFor(const QString& text) const;

    // Points at the control: the tip touches the middle of its top edge for the positions above,
    // of its bottom edge for the positions below.
    void ShowHint(const QString& text, QWidget* control);
    // Points at a place on the screen.
    void ShowHintAt(const QString& text, const QPoint& globalTip);

    QString Text() const { return text_; }
    // The tip of the tail, in screen coordinates, of the hint last shown.
    QPoint TipPoint() const { return tip_; }
    // The text box, in the hint's own coordinates (the tail lies outside it).
    QRect BodyRect() const { return body_; }
    QTimer& HideTimer() { return hideTimer_; }

    // The point of the control a hint at this position points at, in screen coordinates.
    static QPoint AnchorPoint(const QWidget* control, THintPosition position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Layout();
    QPainterPath Shape() const;

    THintPosition position_ = THintPosition::AboveRight;
    int hideAfter_ = 0;
    QString text_;
    QPoint tip_;
    QRect body_;        // the rounded box
    QRect textRect_;    // the text inside it
    QPoint tipLocal_;   // the tip in the hint's coordinates
    bool reachLeft_ = false;  // the box reaches out to the left of the tip
    QTimer hideTimer_;
};

// Shows the program's first-use hints with one balloon: a control is found by the name it was
// registered under, else by its object name below the root window; a control that is missing
// or hidden lets the balloon point at the middle of the root window instead.
class TBalloonHintPresenter : public THintPresenter {
public:
    TBalloonHintPresenter(TBalloonHint& balloon, QWidget* root);

    void SetTarget(const std::string& name, QWidget* control);
    QWidget* FindControl(const std::string& name) const;

    void ShowHint(const std::string& text, const std::string& control, THintPosition position) override;

private:
    TBalloonHint& balloon_;
    QPointer<QWidget> root_;
    std::map<std::string, QPointer<QWidget>> targets_;
};
