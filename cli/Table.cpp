#include "cli/Table.h"

#include <cstdio>
#include <map>

#include "store/ParamDb.h"
#include "app/main/ConversionTable.h"
#include "app/main/MainModel.h"
#include "app/main/RowClipboard.h"
#include "app/Messages.h"

namespace cli {

namespace {

constexpr int ExitMessage = 1, ExitUsage = 2;

// Messages of the window, written to standard error instead of boxes.
class StreamMessages : public app::Messages {
public:
    void Info(const std::string& title, const std::string& text) override { Put(title, text); }
    void Critical(const std::string& title, const std::string& text) override { Put(title, text); }
    bool Question(const std::string& title, const std::string& text) override {
        Put(title, text);
        return false;
    }
    int shown = 0;

private:
    void Put(const std::string& title, const std::string& text) {
        std::fprintf(stderr, "%s : %s\n", title.c_str(), text.c_str());
        ++shown;
    }
};

class NoHost : public app::MainHost {
public:
    void SetWaitCursor(bool) override {}
    void ShowAbout() override {}
    void ShowBatch() override {}
    void ShowEditor() override {}
    void CloseWindow() override {}
};

int ParseRow(const std::string& text) {
    std::size_t used = 0;
    int row = -1;
    try {
        row = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || row < 0 || row >= app::RowCount)
        throw UsageError{"ligne incorrecte : " + text + " (0 à 12)"};
    return row;
}

void SelectItem(app::MainModel& model, int k, const std::string& item) {
    const auto& items = model.At(app::Ctl::Combo_projec, k).items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (items[i] == item) return model.SelectListItem(k, i);
    throw UsageError{"élément inconnu de la liste " + std::to_string(k + 1) + " : « " + item + " »"};
}

}  // namespace

int RunTable(const Options& options) {
    const int row = ParseRow(options.Required("--row"));
    if (options.Has("--params")) store::SetParamDbPath(options.Get("--params"));
    const std::vector<std::string>& cells = options.Plain();

    StreamMessages messages;
    NoHost host;
    app::MainModel model(messages, host);
    model.Form_Load();
    switch (options.Pick("--method", {"1", "2", "3", "4"}, 0)) {
    case 1: model.mnu_calc1_Click(); break;
    case 2: model.mnu_calc2_Click(); break;
    case 3: model.mnu_calc3_Click(); break;
    case 4: model.mnu_calc4_Click(); break;
    default: break;
    }
    if (options.Has("--list1")) SelectItem(model, 0, options.Get("--list1"));
    if (options.Has("--list2")) SelectItem(model, 1, options.Get("--list2"));

    const std::vector<app::ControlRef> inputs = app::RowCells(model, row);
    if (cells.size() > inputs.size())
        throw UsageError{"la ligne " + std::to_string(row) + " n'a que " + std::to_string(inputs.size()) + " case(s)"};
    // Typed and left one after the other, as in the window.
    for (std::size_t i = 0; i < cells.size(); ++i) {
        model.Text(inputs[i].ctl, inputs[i].index) = cells[i];
        model.LostFocus(inputs[i].ctl, inputs[i].index);
    }
    // A height typed into the height line, whose other cell the Calc fills.
    if (options.Has("--h") && options.Has("--H"))
        throw UsageError{"--h ou --H : une seule hauteur, le calcul donne l'autre"};
    for (const auto& [name, cell] : {std::pair{"--h", app::height::Ellipsoidal}, std::pair{"--H", app::height::Ostend}})
        if (options.Has(name)) {
            model.Text(app::Ctl::TxtH, cell) = options.Get(name);
            model.LostFocus(app::Ctl::TxtH, cell);
        }
    model.Com_calculer_Click(row);
    // A refused Calc changed nothing: the table would show another point, or none.
    if (model.LastCalcRefused) return ExitMessage;

    for (int r = 0; r < app::RowCount; ++r) std::fputs(app::RowLine(model, r).c_str(), stdout);
    std::fputs(app::HeightLine(model).c_str(), stdout);
    for (int i = 0; i < model.Count(app::Ctl::LbMethode); ++i)
        if (model.Exists(app::Ctl::LbMethode, i) && !model.Text(app::Ctl::LbMethode, i).empty())
            std::printf("%s\n", model.Text(app::Ctl::LbMethode, i).c_str());
    return messages.shown ? ExitMessage : 0;
}

}  // namespace cli
