#pragma once
// The program's tool bar and menu icons, drawn at run time so they stay sharp at 16, 24 and 32
// pixels. Each icon is named after the command it belongs to ("NewCol", "ZoomIn", ...).

#include <QIcon>
#include <QString>
#include <QStringList>

namespace icons {

// The icon of a command; a null icon for a name without a drawing.
QIcon CommandIcon(const QString& name);
// Every name CommandIcon draws.
QStringList IconNames();

}  // namespace icons
