// The main window and the folder dialog on a desktop (run under tests/support/desktop-session):
// a real X server, a window manager that frames the window, and the GTK file chooser Qt opens
// on GTK-based desktops.

#include "fake_spreadsheet.h"
#include "folder_paste.h"
#include "form1.h"
#include "form2.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"
#include "twip_layout.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <xcb/xcb.h>

namespace velmora::testing {
namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// The outer height of a shown window as the X server has it: the height of the frame the window
// manager put around it (its ancestor just below the root), or 0 while it has none.
int framedHeight(const QWidget& window) {
    xcb_connection_t* x =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_window_t id = static_cast<xcb_window_t>(window.winId());
    for (;;) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, id), nullptr);
        const bool top = tree == nullptr || tree->parent == tree->root;
        id = top ? id : tree->parent;
        std::free(tree);
        if (top) {
            break;
        }
    }
    if (id == window.winId()) {
        return 0;
    }
    xcb_get_geometry_reply_t* frame = xcb_get_geometry_reply(x, xcb_get_geometry(x, id), nullptr);
    const int height = frame ? frame->height + 2 * frame->border_width : 0;
    std::free(frame);
    return height;
}

// The main window's heights count its frame: at the first show, and at every click on a place
// option, the first one included.
TEST(Form1OnADesktop, TheWindowHeightsAreOuterHeightsFromTheFirstShowOn) {
    if (!onX11()) {
        GTEST_SKIP() << "no X display: run under tests/support/desktop-session";
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
        // The outer height once the window manager has made it `expected`, or when time is up.
        const auto outerHeight = [&main](int expected) {
            (void)QTest::qWaitFor([&] { return framedHeight(main) == expected; }, 5000);
            return framedHeight(main);
        };

        main.show();
        ASSERT_TRUE(QTest::qWaitFor([&main] { return framedHeight(main) > 0; }, 5000))
            << "the window manager framed no window";
        EXPECT_EQ(outerHeight(pixels(twips)), pixels(twips)) << "at the first show";

        Form2* settings = main.form2();
        const std::pair<QRadioButton*, int> clicks[] = {
            {settings->Option10, 2550}, {settings->Option6, 4450}, {settings->Option5, 2550}};
        for (const auto& [option, height] : clicks) {
            option->click();
            EXPECT_EQ(outerHeight(pixels(height)), pixels(height))
                << option->objectName().toStdString();
        }
        main.close();
    }
}

// GTK 3, reached without its headers: the few calls that read a file chooser's filter.
struct Gtk {
    struct List {
        void* data;
        List* next;
        List* prev;
    };
    struct FilterInfo { // GtkFileFilterInfo
        int contains;   // GTK_FILE_FILTER_FILENAME | _URI | _DISPLAY_NAME
        const char* filename;
        const char* uri;
        const char* displayName;
        const char* mimeType;
    };
    template <typename F> static bool resolve(void* library, const char* name, F*& function) {
        void* symbol = dlsym(library, name);
        std::memcpy(&function, &symbol, sizeof function);
        return symbol != nullptr;
    }
    explicit Gtk(void* gtk)
        : complete(resolve(gtk, "gtk_window_list_toplevels", toplevels) &&
                   resolve(gtk, "g_list_free", freeList) &&
                   resolve(gtk, "gtk_file_chooser_get_type", chooserType) &&
                   resolve(gtk, "g_type_check_instance_is_a", isA) &&
                   resolve(gtk, "gtk_file_chooser_get_filter", filterOf) &&
                   resolve(gtk, "gtk_file_filter_get_name", filterName) &&
                   resolve(gtk, "gtk_file_filter_filter", matches)) {}
    // The first open window that is a file chooser.
    void* chooser() const {
        List* windows = toplevels();
        void* found = nullptr;
        for (List* item = windows; item != nullptr && found == nullptr; item = item->next) {
            found = isA(item->data, chooserType()) ? item->data : nullptr;
        }
        freeList(windows);
        return found;
    }

    List* (*toplevels)() = nullptr;
    void (*freeList)(List*) = nullptr;
    unsigned long (*chooserType)() = nullptr;
    int (*isA)(void*, unsigned long) = nullptr;
    void* (*filterOf)(void*) = nullptr;
    const char* (*filterName)(void*) = nullptr;
    int (*matches)(void*, const FilterInfo*) = nullptr;
    bool complete;
};

// On a GTK-based desktop the folder button's dialog is GTK's chooser, which matches its
// patterns case-sensitively. It must offer every photo the folder paste would then list.
TEST(FolderDialogOnADesktop, TheGtkChooserOffersExactlyThePhotosTheFolderPasteLists) {
    if (!onX11()) {
        GTEST_SKIP() << "no X display: run under tests/support/desktop-session";
    }
    void* library = dlopen("libgtk-3.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (library == nullptr) {
        GTEST_SKIP() << "Qt's GTK theme (qt6-gtk-platformtheme) is not installed";
    }
    const Gtk gtk(library);
    ASSERT_TRUE(gtk.complete);
    QTemporaryDir dir;
    const QStringList names{"IMG_0001.JPG", "b.jpg", "c.Jpg", "d.jpeg", "notes.txt", "e.jpg.txt"};
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // As the folder button asks for a file.
    QFileDialog dialog(nullptr, kFolderDialogTitle, dir.path(), kFolderDialogFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.show();
    void* chooser = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (chooser = gtk.chooser()) != nullptr; }, 10000))
        << "Qt opened no GTK file chooser";
    void* filter = gtk.filterOf(chooser);
    ASSERT_NE(filter, nullptr);
    EXPECT_STREQ(gtk.filterName(filter), "JPGファイル");
    QStringList offered;
    for (const QString& name : names) {
        const QByteArray path = dir.filePath(name).toUtf8();
        const QByteArray uri = QUrl::fromLocalFile(dir.filePath(name)).toEncoded();
        const QByteArray shown = name.toUtf8();
        const Gtk::FilterInfo file{1 | 2 | 4, path.constData(), uri.constData(), shown.constData(),
                                   nullptr};
        if (gtk.matches(filter, &file)) {
            offered << name;
        }
    }
    dialog.reject();
    offered.sort();
    EXPECT_EQ(offered, listJpgNames(dir.path() + QLatin1Char('/')));
}

} // namespace
} // namespace velmora::testing
