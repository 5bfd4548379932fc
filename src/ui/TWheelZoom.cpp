#include "TWheelZoom.h"

#include <QAction>
#include <QWheelEvent>
#include <QWidget>

namespace {
constexpr int kNotch = 120;  // one wheel step, in eighths of a degree
}

TWheelZoom::TWheelZoom(QWidget* view, QAction* zoomIn, QAction* zoomOut)
    : QObject(view), zoomIn_(zoomIn), zoomOut_(zoomOut) {
    view->installEventFilter(this);
}

bool TWheelZoom::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier)) {
        pending_ = 0;
        return false;  // plain wheel: the view scrolls
    }
    pending_ += wheel->angleDelta().y();
    while (pending_ >= kNotch) {
        pending_ -= kNotch;
        if (zoomIn_->isEnabled()) zoomIn_->trigger();
    }
    while (pending_ <= -kNotch) {
        pending_ += kNotch;
        if (zoomOut_->isEnabled()) zoomOut_->trigger();
    }
    return true;  // Ctrl + wheel never scrolls
}
