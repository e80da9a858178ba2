#pragma once

// One workbook "Book1.xlsx" in the fake application, the engine wired to it, and the main
// window's holders set as after a normal start.

#include "fake_spreadsheet.h"
#include "map_holders.h"
#include "paste_engine.h"
#include "recording_interaction.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velmora::testing {

// Records dialogs and runs `onMessage` as a message box opens, where the user may quit the
// application or drop another photo.
struct PasteInteraction : RecordingInteraction {
    MessageAnswer messageBox(const QString& text, int style) override {
        if (onMessage) {
            onMessage();
        }
        return RecordingInteraction::messageBox(text, style);
    }
    std::function<void()> onMessage;
};

class PasteFixture : public ::testing::Test {
public:
    PasteFixture() {
        fake.addWorkbook(QStringLiteral("Book1.xlsx"));
        holders.setText(Holder::Text1, QStringLiteral("Book1.xlsx"));
        holders.setText(Holder::Text2, QStringLiteral("Option1"));
        holders.setText(Holder::Text3, QStringLiteral("0"));
        holders.setText(Holder::Text4, QStringLiteral("0"));
        holders.setText(Holder::Text5, QStringLiteral("100"));
        holders.setText(Holder::Combo1, QStringLiteral("9"));
        holders.setText(Holder::Text6, QStringLiteral("Option5"));
        holders.setText(Holder::Text22, QStringLiteral("0"));
        holders.setText(Holder::Text25, QStringLiteral("1"));
        holders.setText(Holder::Text26, QStringLiteral("3"));
    }

    // A file the fake takes for a picture of the given original size in points.
    QString photo(const QString& name, double width = 640, double height = 480) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        fake.registerPicture(path, width, height);
        return path;
    }

    // Drops `path` the way a drop target does.
    void drop(const QString& path, const QString& address = QString()) {
        engine.PictureFile = path;
        engine.PasteAddress = address;
        engine.DragDrop();
    }

    // The run is over: wait settings back to normal, no object held, no paste running.
    void expectRunReleased() {
        EXPECT_EQ(fake.waitSettings(), kIdleWaitSettings);
        EXPECT_EQ(engine.ExcelApp, nullptr);
        EXPECT_EQ(engine.TargetBook, nullptr);
        EXPECT_FALSE(engine.isPasting());
    }
    // ... and, the application still running, its screen updating again.
    void expectRunClosed() {
        expectRunReleased();
        EXPECT_TRUE(fake.screenUpdating);
        EXPECT_EQ(fake.liveObjects(), 0);
    }

    void expectOnlyMessage(const QString& text, int style) {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, text);
        EXPECT_EQ(ui.messages[0].style, style);
    }
    void expectOneErrorMessage() { expectOnlyMessage(kPasteErrorMessage, 16); }

    FakeShapeData& only() {
        auto* sheet = fake.activeSheet();
        EXPECT_EQ(sheet->shapes.size(), 1u);
        return *sheet->shapes.back();
    }

    QTemporaryDir dir;
    FakeSpreadsheet fake;
    MapHolders holders;
    PasteInteraction ui;
    PasteEngine engine{fake, holders, ui};
};

// A world of its own for one case of a table, where cases must not share sheets or logs.
struct PasteWorld : PasteFixture {
    void TestBody() override {}
};

} // namespace velmora::testing
