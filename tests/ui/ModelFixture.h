#pragma once
// A main-window model on the default parameter database, with every message
// and window request recorded instead of shown.

#include <gtest/gtest.h>

#include <map>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "store/ParamDb.h"
#include "app/main/ConversionTable.h"
#include "app/main/MainModel.h"
#include "app/Messages.h"
#include "tests/Support.h"

namespace uitest {

using testsupport::RecordingMessages;

class RecordingHost : public app::MainHost {
public:
    void SetWaitCursor(bool) override {}
    void ShowAbout() override { ++aboutShown; }
    void ShowBatch() override { ++batchShown; }
    void ShowEditor() override {
        ++editorShown;
        if (editor) editor();
    }
    void CloseWindow() override { ++closed; }
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    std::string ClipboardText() override { return clipboard; }
    std::string clipboard;
    std::function<void()> editor;  // what the editor does while it is open
    int aboutShown = 0, batchShown = 0, editorShown = 0, closed = 0;
};

// Every text cell of the table, shown or not.
using Cells = std::map<std::pair<app::Ctl, int>, std::string>;
inline Cells AllCells(const app::MainModel& m) {
    Cells cells;
    for (int r = 0; r < app::RowCount; ++r)
        for (const auto& c : app::RowCells(m, r, false)) cells[{c.ctl, c.index}] = m.Text(c.ctl, c.index);
    return cells;
}

// A model loaded from the given parameter database (the shipped one by default).
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { Load(TRAVENA_PARAM_DB); }
    void TearDown() override { store::SetParamDbPath(""); }

    void Load(const std::string& db) {
        store::SetParamDbPath(db);
        model.Form_Load();
    }

    // Types a text into a cell and leaves it, as the user does.
    void Type(app::Ctl ctl, int index, const std::string& text) {
        model.Text(ctl, index) = text;
        model.LostFocus(ctl, index);
    }
    void PressEnter(app::Ctl ctl, int index) {
        int key = app::KeyEnter;
        model.KeyPress(ctl, index, key);
    }
    // Selects a list item by its text; fails the test when absent.
    void Select(int k, const std::string& item) {
        const auto& items = model.At(app::Ctl::Combo_projec, k).items;
        for (int i = 0; i < static_cast<int>(items.size()); ++i)
            if (items[i] == item) return model.SelectListItem(k, i);
        FAIL() << "no list item " << item;
    }
    std::string& T(app::Ctl ctl, int index) { return model.Text(ctl, index); }

    RecordingMessages messages;
    RecordingHost host;
    app::MainModel model{messages, host};
};

}  // namespace uitest
