#pragma once

// The store file's spelling: Qt's INI format, as every earlier Velmora wrote it through
// QSettings. Reading follows Qt's rules line for line, so existing files read as they always
// did; writing spells a value the way Qt would, so Qt still reads what Velmora writes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace velmora::ini {

// One logical line of the file: [start, end) without the line break; `equals` is the position
// of its first '=' outside quotes, or -1. A quoted value may run over several physical lines
// and a backslash continues a line; comments (';' at a line's start) are skipped.
struct Line {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype equals = -1;
};

// The next logical line at or after `pos`; false at the end of the data.
bool nextLine(QByteArrayView data, qsizetype& pos, Line& line);

// A key or section name as Qt decodes it ("%U540D" for 名, "\" for "/").
QString unescapedKey(QByteArrayView key);
// The name of a section header line ("[Setting]" gives "Setting"; "[General]" the empty root).
QString sectionName(QByteArrayView headerLine);
// A value's text as QSettings hands it to a program that asks for a string.
QString valueText(QByteArrayView raw);

QByteArray escapedKey(const QString& key);
QByteArray escapedValue(const QString& text);

} // namespace velmora::ini
