// The main window and the folder dialog on a desktop (run under tests/support/desktop-session):
// a real X server, a window manager that frames the window, and the GTK file chooser Qt opens
// on GTK-based desktops.

#include "folder_paste.h"
#include "forms.h"
#include "real_windows.h"

#include <QFileDialog>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

#include <dlfcn.h>
#include <xcb/xcb.h>

namespace velmora::testing {
namespace {

#define SKIP_WITHOUT_X11()                                                                         \
    if (QGuiApplication::platformName() != QLatin1String("xcb"))                                   \
    GTEST_SKIP() << "no X display: run under tests/support/desktop-session"

// The outer height of a shown window as the X server has it: the height of the frame the window
// manager put around it (its ancestor just below the root), or 0 while it has none.
int framedHeight(const QWidget& window) {
    xcb_connection_t* x =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_window_t id = static_cast<xcb_window_t>(window.winId());
    for (bool top = false; !top;) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, id), nullptr);
        top = tree == nullptr || tree->parent == tree->root;
        id = top ? id : tree->parent;
        std::free(tree);
    }
    xcb_get_geometry_reply_t* frame = xcb_get_geometry_reply(x, xcb_get_geometry(x, id), nullptr);
    const int height = frame && id != window.winId() ? frame->height + 2 * frame->border_width : 0;
    std::free(frame);
    return height;
}

// The main window's heights count its frame: at the first show, and at every click on a place
// option, the first one included.
TEST(Form1OnADesktop, TheWindowHeightsAreOuterHeightsFromTheFirstShowOn) {
    SKIP_WITHOUT_X11();
    RealWindows w("Option=Option4|paste-check=Option6", {"Book1.xls"});
    w.main.show();
    Form2* s = w.main.form2();
    const std::pair<QRadioButton*, int> steps[] = {{nullptr, 4450},
                                                   {control<QRadioButton>(s, "Option10"), 2550},
                                                   {control<QRadioButton>(s, "Option6"), 4450},
                                                   {control<QRadioButton>(s, "Option5"), 2550}};
    for (const auto& [option, twips] : steps) {
        SCOPED_TRACE(option ? option->objectName().toStdString() : "the first show");
        if (option) {
            option->click();
        }
        // In pixels once the window manager made it so, or time is up.
        const int expected = qRound(forms::px(&w.main, twips) * w.main.devicePixelRatioF());
        (void)QTest::qWaitFor([&] { return framedHeight(w.main) == expected; }, 20000);
        EXPECT_EQ(framedHeight(w.main), expected);
    }
}

// A function of the GTK the platform theme loaded, or nullptr.
template <typename F> F* gtk(const char* name) {
    return reinterpret_cast<F*>(dlsym(dlopen("libgtk-3.so.0", RTLD_LAZY | RTLD_NOLOAD), name));
}

// On a GTK-based desktop the folder button's dialog is GTK's chooser, which matches its
// patterns case-sensitively. It must offer every photo the folder paste would then list.
TEST(FolderDialogOnADesktop, TheGtkChooserOffersExactlyThePhotosTheFolderPasteLists) {
    SKIP_WITHOUT_X11();
    struct List {
        void *data, *next;
    };
    struct FilterInfo { // GtkFileFilterInfo
        int contains;
        const char *filename, *uri, *displayName, *mimeType;
    };
    const auto toplevels = gtk<List*()>("gtk_window_list_toplevels");
    const auto chooserType = gtk<unsigned long()>("gtk_file_chooser_get_type");
    const auto isA = gtk<int(void*, unsigned long)>("g_type_check_instance_is_a");
    const auto filterOf = gtk<void*(void*)>("gtk_file_chooser_get_filter");
    const auto filterName = gtk<const char*(void*)>("gtk_file_filter_get_name");
    const auto matches = gtk<int(void*, const FilterInfo*)>("gtk_file_filter_filter");
    if (toplevels == nullptr) {
        GTEST_SKIP() << "Qt's GTK theme (qt6-gtk-platformtheme) is not installed";
    }
    ASSERT_TRUE(chooserType && isA && filterOf && filterName && matches);
    QTemporaryDir dir;
    const QStringList names{"IMG_0001.JPG", "b.jpg", "c.Jpg", "d.jpeg", "notes.txt", "e.jpg.txt"};
    for (const QString& name : names) {
        ASSERT_TRUE(writeFile(dir.filePath(name), {}));
    }
    // As the folder button asks for a file.
    QFileDialog dialog(nullptr, kFolderDialogTitle, dir.path(), kFolderDialogFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.show();
    void* chooser = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (List* window = toplevels(); window != nullptr;
                 window = static_cast<List*>(window->next)) {
                chooser = isA(window->data, chooserType()) ? window->data : chooser;
            }
            return chooser != nullptr;
        },
        20000))
        << "Qt opened no GTK file chooser";
    void* filter = filterOf(chooser);
    ASSERT_NE(filter, nullptr);
    EXPECT_STREQ(filterName(filter), "JPGファイル");
    QStringList offered;
    for (const QString& name : names) {
        const QByteArray shown = name.toUtf8();
        const FilterInfo file{4, nullptr, nullptr, shown.data(), nullptr}; // the display name
        if (matches(filter, &file)) {
            offered << name;
        }
    }
    dialog.reject();
    offered.sort();
    EXPECT_EQ(offered, listJpgNames(dir.path() + '/'));
}

} // namespace
} // namespace velmora::testing
