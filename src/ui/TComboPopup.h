#pragma once
// Drop-down lists that open as a plain list below the box, showing up to maxVisibleItems lines.
// Some styles (Fusion among them) open a box that cannot be typed in as a menu over the box
// instead, sized to every line and ignoring that limit.
class QComboBox;

void UseListPopup(QComboBox* box);
