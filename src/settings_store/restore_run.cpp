#include "restore_run.h"

#include "reg_export.h"

#include <QFileInfo>

namespace velmora {

int runRestore(const QStringList& arguments, SettingsStore& store, const AskUser& ask) {
    if (arguments.size() != 1 || arguments.front().isEmpty()) {
        ask(QStringLiteral("使い方: velmora-restore ファイル.reg\n\n"
                           "Velmora の「レジストリのバックアップ」で保存したファイルを一つ"
                           "指定してください。"),
            kStyleExclamation);
        return kRestoreUsage;
    }
    const QString path = QFileInfo(arguments.front()).absoluteFilePath();

    QList<RegValue> values;
    try {
        values = readRegFile(path);
    } catch (const StoreError& error) {
        ask(QStringLiteral("\"%1\" から設定を復元できません。現在の設定は変更していません。\n\n%2")
                .arg(path, error.text()),
            kStyleCritical);
        return kRestoreFailed;
    }
    // As the registry editor imports: the file's values replace, the others stay. A running
    // Velmora writes its settings again when it closes.
    const RestoreCounts counts = countRestore(store, values);
    const MessageAnswer answer =
        ask(QStringLiteral("\"%1\" の %2 個の値を現在の設定に読み込みますか？\n\n"
                           "新しく加わる値: %3 個\n変わる値: %4 個\nそのまま残る値: %5 個\n\n"
                           "Velmora を起動している場合は、先に終了してください。")
                .arg(path)
                .arg(values.size())
                .arg(counts.added)
                .arg(counts.changed)
                .arg(counts.kept),
            kStyleExclamationOkCancel);
    if (answer != MessageAnswer::Ok) {
        return kRestoreCancelled;
    }
    try {
        mergeStoreValues(store, values);
    } catch (const StoreError& error) {
        ask(QStringLiteral("設定を復元できませんでした。\n\n%1").arg(error.text()), kStyleCritical);
        return kRestoreFailed;
    }
    ask(QStringLiteral("設定を復元しました。"), kStyleInformation);
    return kRestoreDone;
}

} // namespace velmora
