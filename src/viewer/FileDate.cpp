#include "FileDate.h"

#include <QString>

#include <sys/stat.h>

namespace viewer {

namespace {

// Removes the time-zone fields ("t" runs outside quoted text) and the blanks before them.
QString WithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (!quoted && c == u't') {
            while (i + 1 < format.size() && format[i + 1] == u't') ++i;
            while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
            continue;
        }
        out += c;
    }
    while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
    return out;
}

}  // namespace

std::string FormatFileDate(const QDateTime& localTime, const QLocale& locale) {
    if (!localTime.isValid()) return std::string();
    QString text = locale.toString(localTime.date(), locale.dateFormat(QLocale::ShortFormat));
    const QTime t = localTime.time();
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0)
        text += u' ' + locale.toString(t, WithoutZone(locale.timeFormat(QLocale::LongFormat)));
    return text.toStdString();
}

std::string FileDateText(const std::string& path) {
    // stat() takes the path's bytes as they are, whatever their encoding.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::string();
    const QDateTime local = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(st.st_mtime), Qt::LocalTime);
    return FormatFileDate(local, QLocale::system());
}

}  // namespace viewer
