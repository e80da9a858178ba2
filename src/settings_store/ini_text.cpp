#include "ini_text.h"

#include <QDataStream>
#include <QIODevice>
#include <QStringDecoder>
#include <QStringList>
#include <QVariant>

namespace velmora::ini {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isSpecial(char c) {
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

void chopTrailingBlanks(QString& text, qsizetype limit) {
    qsizetype n = text.size() - 1;
    while (n >= limit && (text.at(n) == QLatin1Char(' ') || text.at(n) == QLatin1Char('\t'))) {
        text.truncate(n--);
    }
}

char escapeCode(char c) {
    switch (c) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case '"':
    case '?':
    case '\'':
    case '\\':
        return c;
    default:
        return 0;
    }
}

// Qt's unescaping of a value: escapes, quotes, and unquoted commas that make it a list.
// True when the value is a list (then in `list`), false for a single text (in `text`).
bool unescapedStringList(QByteArrayView raw, QString& text, QStringList& list) {
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    const qsizetype size = raw.size();
    bool isList = false;
    bool inQuotes = false;
    bool quoted = false;
    qsizetype i = 0;

    const auto skipBlanks = [&] {
        while (i < size && (raw[i] == ' ' || raw[i] == '\t')) {
            ++i;
        }
    };
    // A numeric escape: digits of `base` after the first, appended as one UTF-16 unit.
    const auto numericEscape = [&](char16_t value, int base) {
        while (i < size) {
            const char c = raw[i];
            const bool digit = base == 16 ? isHexDigit(c) : (c >= '0' && c <= '7');
            if (!digit) {
                break;
            }
            value = static_cast<char16_t>(value * base + (base == 16 ? hexValue(c) : c - '0'));
            ++i;
        }
        text += QChar(value);
    };

    skipBlanks();
    qsizetype chopLimit = text.size();
    while (i < size) {
        const char c = raw[i];
        if (c == '\\') {
            ++i;
            if (i >= size) {
                // A backslash at the very end: Qt stops here, blanks before it stay.
                if (isList) {
                    list.append(text);
                }
                return isList;
            }
            const char escaped = raw[i++];
            if (const char code = escapeCode(escaped)) {
                text += QLatin1Char(code);
            } else if (escaped == 'x') {
                if (i < size && isHexDigit(raw[i])) {
                    numericEscape(0, 16);
                }
            } else if (escaped >= '0' && escaped <= '7') {
                numericEscape(static_cast<char16_t>(escaped - '0'), 8);
            } else if (escaped == '\n' || escaped == '\r') {
                if (i < size && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != escaped) {
                    ++i;
                }
            }
            chopLimit = text.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = text.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!quoted) {
                chopTrailingBlanks(text, chopLimit);
            }
            if (!isList) {
                isList = true;
                list.clear();
            }
            list.append(text);
            text.clear();
            quoted = false;
            ++i;
            skipBlanks();
            chopLimit = 0;
        } else {
            qsizetype j = i + 1;
            while (j < size && raw[j] != '\\' && raw[j] != '"' && raw[j] != ',') {
                ++j;
            }
            text += fromUtf8(raw.sliced(i, j - i));
            i = j;
        }
    }
    if (!quoted) {
        chopTrailingBlanks(text, chopLimit);
    }
    if (isList) {
        list.append(text);
    }
    return isList;
}

// The number of arguments Qt finds in "@Rect(1 2 3 4)" and its kin.
qsizetype argumentCount(const QString& text, qsizetype open) {
    qsizetype count = 0;
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(')') || text.at(i) == QLatin1Char(' ')) {
            ++count;
        }
    }
    return count;
}

// Qt's reading of one stored text as a variant, given back as the string QVariant makes of it.
QString variantText(const QString& s) {
    if (!s.startsWith(QLatin1Char('@'))) {
        return s;
    }
    if (s.endsWith(QLatin1Char(')'))) {
        if (s.startsWith(QLatin1String("@ByteArray("))) {
            return QVariant(QStringView(s).sliced(11).chopped(1).toLatin1()).toString();
        }
        if (s.startsWith(QLatin1String("@String("))) {
            return QStringView(s).sliced(8).chopped(1).toString();
        }
        if (s.startsWith(QLatin1String("@Variant(")) || s.startsWith(QLatin1String("@DateTime("))) {
            const bool dateTime = s.at(1) == QLatin1Char('D');
            QByteArray bytes = QStringView(s).sliced(dateTime ? 10 : 9).toLatin1();
            QDataStream stream(&bytes, QIODevice::ReadOnly);
            stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
            QVariant value;
            stream >> value;
            return value.toString();
        }
        const struct {
            const char* prefix;
            qsizetype arguments;
        } shapes[] = {{"@Rect(", 4}, {"@Size(", 2}, {"@Point(", 2}};
        for (const auto& shape : shapes) {
            const QLatin1String prefix(shape.prefix);
            if (s.startsWith(prefix) && argumentCount(s, prefix.size() - 1) == shape.arguments) {
                return QString();
            }
        }
        if (s == QLatin1String("@Invalid()")) {
            return QString();
        }
    }
    if (s.startsWith(QLatin1String("@@"))) {
        return s.mid(1);
    }
    return s;
}

} // namespace

bool nextLine(QByteArrayView data, qsizetype& pos, Line& line) {
    const qsizetype size = data.size();
    bool inQuotes = false;
    line.equals = -1;
    qsizetype start = pos;
    while (start < size && isSpace(data[start])) {
        ++start;
    }
    qsizetype i = start;
    while (i < size) {
        const char c = data[i];
        ++i;
        if (!isSpecial(c)) {
            continue;
        }
        if (c == '=') {
            if (!inQuotes && line.equals == -1) {
                line.equals = i - 1;
            }
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char next = data[i++];
                if (i < size) {
                    const char after = data[i];
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n')) {
                        ++i;
                    }
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (i == start + 1) { // ';' opening a comment line
            while (i < size && data[i] != '\n' && data[i] != '\r') {
                ++i;
            }
            while (i < size && isSpace(data[i])) {
                ++i;
            }
            start = i;
        } else if (!inQuotes) {
            --i;
            break;
        }
    }
    pos = i;
    line.start = start;
    line.end = i;
    return i > start;
}

QString unescapedKey(QByteArrayView key) {
    const QString decoded = QString::fromUtf8(key);
    const qsizetype size = decoded.size();
    QString result;
    result.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const QChar c = decoded.at(i);
        if (c == QLatin1Char('\\')) {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != QLatin1Char('%') || i == size - 1) {
            result += c;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (decoded.at(first) == QLatin1Char('U')) {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort value = first + digits > size
                                 ? 0
                                 : QStringView(decoded).sliced(first, digits).toUShort(&ok, 16);
        if (!ok) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        result += QChar(value);
        i = first + digits;
    }
    return result;
}

QString sectionName(QByteArrayView headerLine) {
    const qsizetype close = headerLine.indexOf(']');
    const QByteArrayView name =
        (close < 0 ? headerLine.sliced(1) : headerLine.sliced(1, close - 1)).trimmed();
    if (name.compare("general", Qt::CaseInsensitive) == 0) {
        return QString();
    }
    if (name.compare("%general", Qt::CaseInsensitive) == 0) {
        return QString::fromLatin1(name.sliced(1));
    }
    return unescapedKey(name);
}

QString valueText(QByteArrayView raw) {
    QString text;
    QStringList list;
    if (!unescapedStringList(raw, text, list)) {
        return variantText(text);
    }
    // A list with any other '@' entry reads as a list of variants, which has no text.
    for (QString& entry : list) {
        if (entry.startsWith(QLatin1Char('@'))) {
            if (!entry.startsWith(QLatin1String("@@"))) {
                return QString();
            }
            entry.remove(0, 1);
        }
    }
    return list.join(QStringLiteral(", "));
}

QByteArray escapedKey(const QString& key) {
    QByteArray result;
    result.reserve(key.size());
    for (const QChar c : key) {
        const char16_t ch = c.unicode();
        if (ch == u'/') {
            result += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                   (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'-' || ch == u'.') {
            result += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            result += '%';
            result += kHexDigits[ch / 16];
            result += kHexDigits[ch % 16];
        } else {
            result += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) {
                result += kHexDigits[(ch >> shift) & 0xF];
            }
        }
    }
    return result;
}

QByteArray escapedValue(const QString& text) {
    QString s = text;
    if (s.contains(QChar(u'\0'))) {
        s = QStringLiteral("@String(") + s + QLatin1Char(')');
    } else if (s.startsWith(QLatin1Char('@'))) {
        s.prepend(QLatin1Char('@'));
    }
    QStringEncoder toUtf8(QStringEncoder::Utf8);
    QByteArray result;
    result.reserve(s.size() + s.size() / 2);
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (const QChar qc : s) {
        const char16_t ch = qc.unicode();
        if (ch == u';' || ch == u',' || ch == u'=') {
            needsQuotes = true;
        }
        if (escapeNextIfHex && ch < 0x80 && isHexDigit(static_cast<char>(ch))) {
            result += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (ch) {
        case u'\0':
            result += "\\0";
            escapeNextIfHex = true;
            break;
        case u'\a':
            result += "\\a";
            break;
        case u'\b':
            result += "\\b";
            break;
        case u'\f':
            result += "\\f";
            break;
        case u'\n':
            result += "\\n";
            break;
        case u'\r':
            result += "\\r";
            break;
        case u'\t':
            result += "\\t";
            break;
        case u'\v':
            result += "\\v";
            break;
        case u'"':
        case u'\\':
            result += '\\';
            result += static_cast<char>(ch);
            break;
        default:
            if (ch <= 0x1F) {
                result += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfHex = true;
            } else {
                result += toUtf8(QStringView(&qc, 1));
            }
        }
    }
    if (needsQuotes || (!result.isEmpty() && (result.front() == ' ' || result.back() == ' '))) {
        result.prepend('"');
        result.append('"');
    }
    return result;
}

} // namespace velmora::ini
