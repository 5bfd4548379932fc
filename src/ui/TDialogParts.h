#pragma once
// Pieces the windows share: the conversion between the catalog's bytes (the local 8-bit
// encoding) and Qt's strings, and the white heading band across the top of the dialogs.

#include <QString>

#include <string>

class QPushButton;
class QWidget;

QString FromBytes(const std::string& s);
std::string ToBytes(const QString& s);

// The white band across the top of a dialog with its heading in large grey letters at the right.
QWidget* DialogHeader(QWidget* parent, const QString& heading);

// A dialog's push button, its accessible name its caption. Only the default button reacts to
// Enter; the others never become default by taking the focus.
QPushButton* DialogButton(QWidget* parent, const char* objectName, const QString& caption, bool isDefault = false);
