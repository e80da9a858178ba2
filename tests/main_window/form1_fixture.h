#pragma once

#include "fake_spreadsheet.h"
#include "form1.h"
#include "recording_interaction.h"
#include "settings_store.h"
#include "single_instance.h"
#include "temp_store.h"

#include <gtest/gtest.h>

#include <memory>

namespace velmora::testing {

// A main window on a temporary store, the in-memory spreadsheet and recorded dialogs.
class Form1Test : public ::testing::Test {
protected:
    Form1& start() {
        form = std::make_unique<Form1>(excel, store, ui, nullptr);
        EXPECT_TRUE(form->Form_Load());
        return *form;
    }
    void TearDown() override {
        if (form) {
            form->close();
        }
    }

    TempStore tempStore;
    SettingsStore store;
    FakeSpreadsheet excel;
    RecordingInteraction ui;
    std::unique_ptr<Form1> form;
};

} // namespace velmora::testing
