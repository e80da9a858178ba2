// The main window and the folder dialog on a desktop: a real X server, a window manager that
// frames the window, and the GTK file chooser Qt opens on GTK-based desktops.

#include "desktop_session.h"
#include "fake_spreadsheet.h"
#include "folder_paste.h"
#include "form1.h"
#include "form2.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"
#include "twip_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <dlfcn.h>

namespace velmora::testing {
namespace {

// Lets the windows and the window manager work until `done` holds, at most `timeoutMs`.
bool settle(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return true;
}

// The main window's heights count its frame: at the first show, and at every click on a place
// option, the first one included.
TEST(Form1OnADesktop, TheWindowHeightsAreOuterHeightsFromTheFirstShowOn) {
    const QString missing = desktop::windowManagerMissing();
    if (!missing.isEmpty()) {
        GTEST_SKIP() << missing.toStdString();
    }
    for (const auto& [place, twips] : {std::pair{"Option5", 2550}, {"Option6", 4450}}) {
        SCOPED_TRACE(place);
        TempStore temp;
        SettingsStore store;
        FakeSpreadsheet excel;
        RecordingInteraction ui;
        excel.addWorkbook(QStringLiteral("Book1.xls"));
        store.SaveSetting(QStringLiteral("Option"), QStringLiteral("Option4"));
        store.SaveSetting(QStringLiteral("paste-check"), QString::fromLatin1(place));
        Form1 main(excel, store, ui, nullptr);
        ASSERT_TRUE(main.Form_Load());
        const auto pixels = [&main](int height) {
            return qRound(pixelsFor(&main, height) * main.devicePixelRatioF());
        };
        const auto outerHeightBecomes = [&main](int expected) {
            int height = 0;
            settle([&] {
                height = desktop::framedHeight(main);
                return height == expected;
            });
            return height;
        };

        main.show();
        ASSERT_TRUE(settle([&main] { return desktop::framedHeight(main) > 0; }))
            << "the window manager framed no window";
        EXPECT_EQ(outerHeightBecomes(pixels(twips)), pixels(twips)) << "at the first show";

        Form2* settings = main.form2();
        const std::pair<QRadioButton*, int> clicks[] = {
            {settings->Option10, 2550}, {settings->Option6, 4450}, {settings->Option5, 2550}};
        for (const auto& [option, height] : clicks) {
            option->click();
            EXPECT_EQ(outerHeightBecomes(pixels(height)), pixels(height))
                << option->objectName().toStdString();
        }
        main.close();
    }
}

// GTK 3, reached without its headers: the few calls that read a file chooser's filter.
struct GtkFilters {
    struct GList {
        void* data;
        GList* next;
        GList* prev;
    };
    enum : int { kFilename = 1, kUri = 2, kDisplayName = 4 };
    struct FilterInfo {
        int contains;
        const char* filename;
        const char* uri;
        const char* displayName;
        const char* mimeType;
    };

    explicit GtkFilters(void* library) {
        resolve(library, "gtk_window_list_toplevels", listToplevels);
        resolve(library, "g_list_free", freeList);
        resolve(library, "gtk_file_chooser_get_type", chooserType);
        resolve(library, "g_type_check_instance_is_a", instanceIsA);
        resolve(library, "gtk_file_chooser_get_filter", currentFilter);
        resolve(library, "gtk_file_filter_get_name", filterName);
        resolve(library, "gtk_file_filter_filter", matches);
    }
    bool complete() const {
        return listToplevels && freeList && chooserType && instanceIsA && currentFilter &&
               filterName && matches;
    }
    // The first open window that is a file chooser.
    void* chooser() const {
        GList* windows = listToplevels();
        void* found = nullptr;
        for (GList* item = windows; item != nullptr && found == nullptr; item = item->next) {
            if (instanceIsA(item->data, chooserType())) {
                found = item->data;
            }
        }
        freeList(windows);
        return found;
    }

    template <typename F> static void resolve(void* library, const char* name, F*& function) {
        void* symbol = dlsym(library, name);
        std::memcpy(&function, &symbol, sizeof function);
    }

    GList* (*listToplevels)() = nullptr;
    void (*freeList)(GList*) = nullptr;
    unsigned long (*chooserType)() = nullptr;
    int (*instanceIsA)(void*, unsigned long) = nullptr;
    void* (*currentFilter)(void*) = nullptr;
    const char* (*filterName)(void*) = nullptr;
    int (*matches)(void*, const FilterInfo*) = nullptr;
};

// On a GTK-based desktop the folder button's dialog is GTK's chooser, which matches its
// patterns case-sensitively. It must offer every photo the folder paste would then list.
TEST(FolderDialogOnADesktop, TheGtkChooserOffersExactlyThePhotosTheFolderPasteLists) {
    const QString missing = desktop::displayMissing();
    if (!missing.isEmpty()) {
        GTEST_SKIP() << missing.toStdString();
    }
    void* gtk = dlopen("libgtk-3.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (gtk == nullptr) {
        GTEST_SKIP() << "Qt's GTK theme (qt6-gtk-platformtheme) is not installed";
    }
    const GtkFilters api(gtk);
    ASSERT_TRUE(api.complete());

    QTemporaryDir dir;
    const QStringList names{QStringLiteral("IMG_0001.JPG"), QStringLiteral("b.jpg"),
                            QStringLiteral("c.Jpg"),        QStringLiteral("d.jpeg"),
                            QStringLiteral("notes.txt"),    QStringLiteral("e.jpg.txt")};
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // As the folder button asks for a file.
    QFileDialog dialog(nullptr, kFolderDialogTitle, dir.path(), kFolderDialogFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.show();
    void* chooser = nullptr;
    settle([&] { return (chooser = api.chooser()) != nullptr; }, 10000);
    ASSERT_NE(chooser, nullptr) << "Qt opened no GTK file chooser";
    void* filter = api.currentFilter(chooser);
    ASSERT_NE(filter, nullptr);
    EXPECT_STREQ(api.filterName(filter), "JPGファイル");

    QStringList offered;
    for (const QString& name : names) {
        const QByteArray path = dir.filePath(name).toUtf8();
        const QByteArray uri = QUrl::fromLocalFile(dir.filePath(name)).toEncoded();
        const QByteArray displayName = name.toUtf8();
        const GtkFilters::FilterInfo info{
            GtkFilters::kFilename | GtkFilters::kUri | GtkFilters::kDisplayName, path.constData(),
            uri.constData(), displayName.constData(), nullptr};
        if (api.matches(filter, &info)) {
            offered << name;
        }
    }
    dialog.reject();
    offered.sort();
    EXPECT_EQ(offered.join(QLatin1Char(' ')).toStdString(),
              listJpgNames(dir.path() + QLatin1Char('/')).join(QLatin1Char(' ')).toStdString());
}

} // namespace
} // namespace velmora::testing
