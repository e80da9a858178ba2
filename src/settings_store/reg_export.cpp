#include "reg_export.h"

#include "settings_record.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace velmora {

namespace {

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");
const QString kSectionKey = kStoreRegistryKey + QLatin1Char('\\') + kStoreSection;
const QString kCrLf = QStringLiteral("\r\n");

// An export of 83 short values is a few kilobytes; refuse to load anything absurd.
constexpr qint64 kMaxFileSize = 1024 * 1024;
// Where regedit breaks a hex line.
constexpr int kHexLineLimit = 77;

// Record values first, then each slot's title and values, then anything else by name.
QStringList exportOrder(const QStringList& present) {
    const QStringList known = allValueNames();
    QStringList order;
    for (const QString& name : known) {
        if (present.contains(name)) {
            order << name;
        }
    }
    for (const QString& name : present) {
        if (!known.contains(name)) {
            order << name;
        }
    }
    return order;
}

QString quoted(const QString& text) {
    QString result = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
            result += QLatin1Char('\\');
        }
        result += c;
    }
    return result + QLatin1Char('"');
}

// A line break inside a REG_SZ would end the line, so such text goes out as hex(1): the same
// string type, spelled as its UTF-16LE bytes with the terminating zero.
bool needsHex(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

QString hexLine(const QString& prefix, const QString& text) {
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    bytes.append(2, '\0');
    QString line = prefix + QStringLiteral("hex(1):");
    qsizetype lineLength = line.size();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const QString pair =
            QStringLiteral("%1").arg(static_cast<unsigned char>(bytes[i]), 2, 16, QLatin1Char('0'));
        line += pair;
        lineLength += 2;
        if (i + 1 < bytes.size()) {
            line += QLatin1Char(',');
            ++lineLength;
            if (lineLength >= kHexLineLimit) {
                line += QStringLiteral("\\") + kCrLf + QStringLiteral("  ");
                lineLength = 2;
            }
        }
    }
    return line;
}

QString valueLine(const QString& name, const QString& text) {
    const QString prefix = quoted(name) + QLatin1Char('=');
    return needsHex(text) ? hexLine(prefix, text) : prefix + quoted(text);
}

QByteArray utf16LeWithBom(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

// --- reading ---------------------------------------------------------------------------------

std::optional<QString> decodeUtf16(const QByteArray& bytes, bool littleEndian) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[littleEndian ? i : i + 1]);
        const auto high = static_cast<unsigned char>(bytes[littleEndian ? i + 1 : i]);
        text += QChar(static_cast<char16_t>(low | (high << 8)));
    }
    return text;
}

std::optional<QString> decodeFile(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        return decodeUtf16(bytes.mid(2), true);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return decodeUtf16(bytes.mid(2), false);
    }
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

class Parser {
public:
    explicit Parser(QStringList lines) : lines_(std::move(lines)) {}

    // The values, or StoreError with the first line that is not as expected.
    QList<RegValue> parse();

private:
    enum class Key { None, Application, Section };

    bool fail(const QString& reason) {
        error_ = QStringLiteral("%1 行目: %2").arg(index_ + 1).arg(reason);
        return false;
    }
    bool keyLine(const QString& line);
    bool valueLine(const QString& line);
    // A quoted string starting at `pos` (on the opening quote); `pos` ends after the closing one.
    std::optional<QString> quotedText(const QString& line, qsizetype& pos);
    std::optional<QString> hexString(QString data);
    void store(const QString& name, const QString& text);

    QStringList lines_;
    qsizetype index_ = 0;
    Key key_ = Key::None;
    bool sawSection_ = false;
    QList<RegValue> values_;
    QString error_;
};

QList<RegValue> Parser::parse() {
    const bool ok = [this] {
        const QString header = lines_.value(0).trimmed();
        if (header != kHeader5 && header != kHeader4) {
            return fail(QStringLiteral("レジストリ ファイルではありません（先頭に \"%1\" "
                                       "がありません）。")
                            .arg(kHeader5));
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const QString line = lines_[index_].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
                continue;
            }
            const bool lineOk = line.startsWith(QLatin1Char('['))   ? keyLine(line)
                                : line.startsWith(QLatin1Char('"')) ? valueLine(line)
                                : line.startsWith(QLatin1Char('@'))
                                    ? fail(QStringLiteral("既定値（@）は設定に使われません。"))
                                    : fail(QStringLiteral("解釈できない行です。"));
            if (!lineOk) {
                return false;
            }
        }
        if (values_.isEmpty()) {
            index_ = lines_.size() - 1;
            error_ = sawSection_ ? QStringLiteral("設定の値が一つもありません。")
                                 : QStringLiteral("キー \"%1\" がありません。").arg(kSectionKey);
            return false;
        }
        return true;
    }();
    if (!ok) {
        throw StoreError(error_);
    }
    return values_;
}

bool Parser::keyLine(const QString& line) {
    if (!line.endsWith(QLatin1Char(']'))) {
        return fail(QStringLiteral("キーの行が \"]\" で終わっていません。"));
    }
    const QString key = line.mid(1, line.size() - 2);
    if (key.startsWith(QLatin1Char('-'))) {
        return fail(QStringLiteral("キーを削除する指定（[-…]）には対応していません。"));
    }
    if (key.compare(kStoreRegistryKey, Qt::CaseInsensitive) == 0) {
        key_ = Key::Application;
        return true;
    }
    if (key.compare(kSectionKey, Qt::CaseInsensitive) == 0) {
        key_ = Key::Section;
        sawSection_ = true;
        return true;
    }
    return fail(QStringLiteral("キー \"%1\" は Velmora の設定ではありません。").arg(key));
}

bool Parser::valueLine(const QString& line) {
    qsizetype pos = 0;
    const std::optional<QString> name = quotedText(line, pos);
    if (!name) {
        return false;
    }
    while (pos < line.size() && line[pos].isSpace()) {
        ++pos;
    }
    if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
        return fail(QStringLiteral("値の名前の後に \"=\" がありません。"));
    }
    ++pos;
    while (pos < line.size() && line[pos].isSpace()) {
        ++pos;
    }
    if (key_ == Key::None) {
        return fail(QStringLiteral("値がキーの行より前にあります。"));
    }
    if (key_ == Key::Application) {
        return fail(QStringLiteral("値 \"%1\" が \"%2\" の下ではなくキーの直下にあります。")
                        .arg(*name, kStoreSection));
    }
    if (name->isEmpty() || name->contains(QLatin1Char('/')) || name->contains(QLatin1Char('\\'))) {
        return fail(QStringLiteral("値の名前 \"%1\" は設定に使えません。").arg(*name));
    }
    const QString data = line.mid(pos);
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype dataPos = pos;
        const std::optional<QString> text = quotedText(line, dataPos);
        if (!text) {
            return false;
        }
        if (!line.mid(dataPos).trimmed().isEmpty()) {
            return fail(QStringLiteral("値の後に余分な文字があります。"));
        }
        store(*name, *text);
        return true;
    }
    if (data == QLatin1String("-")) {
        return fail(
            QStringLiteral("値を削除する指定（\"%1\"=-）には対応していません。").arg(*name));
    }
    if (data.startsWith(QLatin1String("hex(1):"), Qt::CaseInsensitive)) {
        const std::optional<QString> text = hexString(data.mid(7));
        if (!text) {
            return false;
        }
        store(*name, *text);
        return true;
    }
    return fail(
        QStringLiteral("値 \"%1\" は文字列ではありません（設定はすべて文字列です）。").arg(*name));
}

std::optional<QString> Parser::quotedText(const QString& line, qsizetype& pos) {
    QString text;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return text;
        }
        if (c == QChar(u'\0')) {
            fail(QStringLiteral("NUL 文字があります。"));
            return std::nullopt;
        }
        if (c == QLatin1Char('\\')) {
            ++pos;
            if (pos >= line.size() ||
                (line[pos] != QLatin1Char('\\') && line[pos] != QLatin1Char('"'))) {
                fail(QStringLiteral("\"\\\" の後には \"\\\" か \"\"\" だけが書けます。"));
                return std::nullopt;
            }
        }
        text += line[pos];
    }
    fail(QStringLiteral("閉じる \"\"\" がありません。"));
    return std::nullopt;
}

// hex(1): UTF-16LE bytes, possibly continued over lines ending in "\". The string ends at its
// first zero character, as the registry's string type does.
std::optional<QString> Parser::hexString(QString data) {
    data = data.trimmed();
    while (data.endsWith(QLatin1Char('\\'))) {
        data.chop(1);
        if (index_ + 1 >= lines_.size() || lines_[index_ + 1].trimmed().isEmpty()) {
            fail(QStringLiteral("続きの行がありません。"));
            return std::nullopt;
        }
        data += lines_[++index_].trimmed();
    }
    QByteArray bytes;
    if (!data.isEmpty()) {
        for (const QString& token : data.split(QLatin1Char(','))) {
            bool ok = false;
            const uint byte = token.trimmed().toUInt(&ok, 16);
            if (!ok || token.trimmed().size() != 2 || byte > 0xFF) {
                fail(QStringLiteral("16 進の値 \"%1\" を読めません。").arg(token.trimmed()));
                return std::nullopt;
            }
            bytes.append(static_cast<char>(byte));
        }
    }
    std::optional<QString> text = decodeUtf16(bytes, true);
    if (!text) {
        fail(QStringLiteral("文字列のバイト数が奇数です。"));
        return std::nullopt;
    }
    // The string ends at its terminating zero; a zero with text after it would be lost.
    const qsizetype end = text->indexOf(QChar(u'\0'));
    if (end < 0) {
        return *text;
    }
    for (qsizetype i = end; i < text->size(); ++i) {
        if (text->at(i) != QChar(u'\0')) {
            fail(QStringLiteral("文字列の途中に NUL 文字があります。"));
            return std::nullopt;
        }
    }
    return text->left(end);
}

void Parser::store(const QString& name, const QString& text) {
    for (RegValue& value : values_) {
        if (value.name == name) {
            value.text = text;
            return;
        }
    }
    values_.append({name, text});
}

} // namespace

QList<RegValue> parseRegBytes(const QByteArray& bytes) {
    if (bytes.size() > kMaxFileSize) {
        throw StoreError(
            QStringLiteral("%1 バイトを超えるファイルは Velmora の設定ファイルではありません。")
                .arg(kMaxFileSize));
    }
    const std::optional<QString> text = decodeFile(bytes);
    if (!text) {
        throw StoreError(QStringLiteral("文字コードを読めません（UTF-16 か UTF-8 "
                                        "のファイルだけを読み込めます）。"));
    }
    QStringList lines = text->split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    return Parser(std::move(lines)).parse();
}

void exportRegFile(const SettingsStore& store, const QString& path) {
    const auto failed = [&](const QString& reason) {
        return StoreError(QStringLiteral("\"%1\" に書き込めませんでした。\n%2").arg(path, reason));
    };
    QList<RegValue> values;
    for (const QString& name : exportOrder(store.valueNames())) {
        values.append({name, store.GetSetting(name)});
        // The registry's strings end at their first NUL; such a value would not come back.
        if (name.contains(QChar(u'\0')) || values.back().text.contains(QChar(u'\0'))) {
            throw failed(QStringLiteral("値 \"%1\" に NUL 文字（U+0000）があり、書き出すと元に"
                                        "戻せません。")
                             .arg(QString(name).replace(QChar(u'\0'), QStringLiteral("\\0"))));
        }
    }

    QString text = kHeader5 + kCrLf + kCrLf;
    text += QLatin1Char('[') + kStoreRegistryKey + QLatin1Char(']') + kCrLf + kCrLf;
    text += QLatin1Char('[') + kSectionKey + QLatin1Char(']') + kCrLf;
    for (const RegValue& value : values) {
        text += valueLine(value.name, value.text) + kCrLf;
    }
    text += kCrLf;
    const QByteArray bytes = utf16LeWithBom(text);

    // Announced as restorable only when the restore's own reader gives these values back.
    QList<RegValue> readBack;
    try {
        readBack = parseRegBytes(bytes);
    } catch (const StoreError& error) {
        throw failed(
            QStringLiteral("このままでは設定を復元できないため、書き出しませんでした。\n") +
            error.text());
    }
    if (readBack != values) {
        throw failed(QStringLiteral("書き出した内容を読み戻すと設定と一致しないため、書き出し"
                                    "ませんでした。"));
    }

    if (QFileInfo(path).isDir()) {
        throw failed(QStringLiteral("同じ名前のフォルダーがあります。"));
    }
    // Unbuffered, so that a failing write is seen before the file replaces an older one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw failed(file.errorString());
    }
    if (file.write(bytes) != bytes.size()) {
        const QString writeError = file.errorString();
        file.cancelWriting();
        throw failed(writeError);
    }
    if (!file.commit()) {
        throw failed(file.errorString());
    }
}

QList<RegValue> readRegFile(const QString& path) {
    const auto cannotOpen = [&](const QString& reason) {
        return StoreError(QStringLiteral("\"%1\" を開けませんでした。\n%2").arg(path, reason));
    };
    // Without blocking, so that a FIFO cannot hold the open; then only a regular file is read,
    // and never more than the limit allows.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw cannotOpen(QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw cannotOpen(S_ISDIR(st.st_mode) ? QStringLiteral("フォルダーです。")
                                             : QStringLiteral("通常のファイルではありません。"));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw cannotOpen(file.errorString());
    }
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        throw cannotOpen(file.errorString());
    }
    try {
        return parseRegBytes(bytes);
    } catch (const StoreError& error) {
        throw StoreError(QStringLiteral("\"%1\": %2").arg(path, error.text()));
    }
}

RestoreCounts countRestore(const SettingsStore& store, const QList<RegValue>& values) {
    RestoreCounts counts;
    const QStringList present = store.valueNames();
    for (const RegValue& value : values) {
        if (!present.contains(value.name)) {
            ++counts.added;
        } else if (store.GetSetting(value.name) != value.text) {
            ++counts.changed;
        }
    }
    counts.kept = static_cast<int>(present.size()) - counts.changed;
    return counts;
}

void mergeStoreValues(SettingsStore& store, const QList<RegValue>& values) {
    StoreValues pairs;
    pairs.reserve(values.size());
    for (const RegValue& value : values) {
        pairs.append({value.name, value.text});
    }
    try {
        store.SaveSettings(pairs);
    } catch (const StoreError&) {
        throw StoreError(QStringLiteral("設定を保存できませんでした（\"%1\" に書き込めません）。")
                             .arg(store.location()));
    }
}

} // namespace velmora
