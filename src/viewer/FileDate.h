#pragma once
// The date line of the photo pane: a file's last-modification time as local date and time in
// the user's short-date and long-time formats.

#include <QDateTime>
#include <QLocale>
#include <string>

namespace viewer {

// Short date + " " + long time of the locale; the time is left out when it is exactly
// 00:00:00. The time-zone name that Qt's long time formats carry is left out: the line shows
// the local wall-clock time only. An invalid time gives "".
std::string FormatFileDate(const QDateTime& localTime, const QLocale& locale);

// The file's modification time formatted with the user's locale; "" when the file cannot be
// read.
std::string FileDateText(const std::string& path);

}  // namespace viewer
