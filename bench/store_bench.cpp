// Time of each store action on a large settings file: the start-up read, the close, the
// first-run fill of the five slots, a slot save and a restore of a full backup. The file holds
// the program's 83 values plus foreign content: a section of long lines (MB) and a section of
// many short keys, as hand edits and other tools leave them.
//
// Usage: velmora_bench_store [foreign MB, default 50] [foreign keys, default 1500000]

#include "calc_link.h"
#include "form1.h"
#include "form2.h"
#include "map_holders.h"
#include "recording_interaction.h"
#include "reg_export.h"
#include "restore_run.h"
#include "settings_record.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

QByteArray foreignContent(int megabytes, int keys) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(megabytes) * 1024 * 1024 + keys * 24 + 64);
    bytes += "[Notes]\n";
    const QByteArray filler(90, 'x');
    for (qsizetype i = 0; bytes.size() < static_cast<qsizetype>(megabytes) * 1024 * 1024; ++i) {
        bytes += "note" + QByteArray::number(i) + "=" + filler + "\n";
    }
    bytes += "\n[Other]\n";
    for (int i = 0; i < keys; ++i) {
        bytes += "k" + QByteArray::number(i) + "=" + QByteArray::number(i * 7) + "\n";
    }
    return bytes;
}

void fillHolders(Holders& holders, const QString& tag) {
    for (const RecordField& field : kRecordWriteOrder) {
        holders.setText(field.holder, tag + QLatin1String(field.name));
    }
    holders.setText(Holder::Text2, QStringLiteral("Option4"));
}

double millisecondsOf(const std::function<void()>& action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    const int keys = argc > 2 ? std::atoi(argv[2]) : 1500000;

    testing::TempStore temp;
    QTemporaryDir work;
    SettingsStore store;
    const QString path = store.location();
    QDir().mkpath(QFileInfo(path).absolutePath());

    // A backup of all 83 values; then a store of the record and the foreign sections, so that
    // the next settings window is a first run.
    testing::MapHolders holders;
    fillHolders(holders, QStringLiteral("v-"));
    writeRecordFromHolders(store, holders);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        store.SaveSetting(slotTitleName(slot), QStringLiteral("title %1").arg(slot));
        saveSlotFromHolders(store, slot, holders);
    }
    const QString backup = work.filePath(QStringLiteral("backup.reg"));
    exportRegFile(store, backup);
    store.DeleteSetting();
    writeRecordFromHolders(store, holders);
    QFile file(path);
    file.open(QIODevice::Append);
    file.write("\n" + foreignContent(megabytes, keys));
    file.close();
    const QString base = work.filePath(QStringLiteral("base.conf"));
    QFile::copy(path, base);
    // The store as the previous run's close left it, an hour ago.
    const auto freshStore = [&] {
        QFile::remove(path);
        QFile::copy(base, path);
        QFile copy(path);
        copy.open(QIODevice::ReadWrite);
        copy.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                         QFileDevice::FileModificationTime);
    };

    std::printf("store file: %.1f MB (%d MB of long lines, %d short foreign keys)\n",
                static_cast<double>(QFileInfo(path).size()) / (1024.0 * 1024.0), megabytes, keys);

    freshStore();
    testing::MapHolders startHolders;
    std::printf("start-up read of the record:   %9.1f ms\n",
                millisecondsOf([&] { readRecordIntoHolders(SettingsStore(), startHolders); }));

    freshStore();
    testing::MapHolders closeHolders;
    fillHolders(closeHolders, QStringLiteral("changed-"));
    std::printf("close (13 values):             %9.1f ms\n",
                millisecondsOf([&] { writeRecordFromHolders(store, closeHolders); }));

    freshStore();
    {
        // A main window not yet loaded: its holders are empty, so this is a first run.
        // No office answers on this pipe.
        CalcLinkOptions nobody;
        nobody.pipeName = QStringLiteral("velmora-store-bench");
        nobody.handOff = false;
        const auto excel = makeCalcLink(nobody);
        testing::RecordingInteraction ui;
        Form1 main(*excel, store, ui, nullptr);
        auto* window = new Form2(main);
        std::printf("first-run fill (5 slots):      %9.1f ms\n",
                    millisecondsOf([&] { window->Form_Load(); }));
        main.setText(Holder::Combo1, QStringLiteral("12")); // something to save
        std::printf("slot save (slot 3):            %9.1f ms\n",
                    millisecondsOf([&] { window->save3_Click(); }));
        delete window;
    }

    freshStore();
    std::printf("restore of an 83-value backup: %9.1f ms\n", millisecondsOf([&] {
                    runRestore({backup}, store,
                               [](const QString&, int) { return MessageAnswer::Ok; });
                }));
    return 0;
}
