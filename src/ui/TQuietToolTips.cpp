#include "TQuietToolTips.h"

#include <QAction>
#include <QEvent>
#include <QToolBar>
#include <QToolButton>

void TQuietToolTips::Install(QToolBar* bar) {
    auto* filter = new TQuietToolTips(bar);
    for (QAction* a : bar->actions())
        if (QWidget* button = bar->widgetForAction(a)) button->installEventFilter(filter);
}

bool TQuietToolTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) return false;
    const auto* button = qobject_cast<QToolButton*>(watched);
    const QAction* action = button ? button->defaultAction() : nullptr;
    if (!action) return false;
    // Without a tip of its own an action gives its caption (without "&" and a trailing "...");
    // checked when the tip is due, so a command that gains a hint later shows it.
    QString caption = action->text();
    caption.remove('&');
    if (caption.endsWith("...")) caption.chop(3);
    return action->toolTip() == caption.trimmed();
}
