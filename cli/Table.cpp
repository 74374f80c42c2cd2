#include "cli/Table.h"

#include <cstdio>
#include <map>
#include <stdexcept>

#include "store/ParamDb.h"
#include "app/main/ConversionTable.h"
#include "app/main/MainModel.h"
#include "app/Messages.h"

namespace cli {

namespace {

constexpr int ExitMessage = 1, ExitUsage = 2;

const char* const TableUsage =
    "Usage :\n"
    "  travena-cli table --row N [--list1 ÉLÉMENT] [--list2 ÉLÉMENT] [--method 1|2|3]\n"
    "                    [--params FICHIER] CASE...\n"
    "\n"
    "Encode les CASEs dans la ligne N (0 à 12) du tableau de la fenêtre principale,\n"
    "dans l'ordre de ses colonnes, calcule et affiche chaque ligne : son nom puis\n"
    "ses cases, séparés par des tabulations. --list1 et --list2 choisissent les\n"
    "systèmes des lignes 11 et 12 (voir les listes « Autres projections »).\n";

struct TableUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

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
        throw TableUsageError("ligne incorrecte : " + text + " (0 à 12)");
    return row;
}

void SelectItem(app::MainModel& model, int k, const std::string& item) {
    const auto& items = model.At(app::Ctl::Combo_projec, k).items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (items[i] == item) return model.SelectListItem(k, i);
    throw TableUsageError("élément inconnu de la liste " + std::to_string(k + 1) + " : « " + item + " »");
}

int Run(const std::vector<std::string>& args) {
    std::map<std::string, std::string> options;
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            cells.push_back(a);
            continue;
        }
        if (a != "--row" && a != "--list1" && a != "--list2" && a != "--method" && a != "--params")
            throw TableUsageError("option inconnue : " + a);
        if (i + 1 >= args.size()) throw TableUsageError("valeur manquante après " + a);
        options[a] = args[++i];
    }
    if (!options.count("--row")) throw TableUsageError("option obligatoire : --row");
    const int row = ParseRow(options["--row"]);
    if (options.count("--params")) store::SetParamDbPath(options["--params"]);

    StreamMessages messages;
    NoHost host;
    app::MainModel model(messages, host);
    model.Form_Load();
    if (options.count("--method")) {
        const std::string& m = options["--method"];
        if (m == "1") model.mnu_calc1_Click();
        else if (m == "2") model.mnu_calc2_Click();
        else if (m == "3") model.mnu_calc3_Click();
        else throw TableUsageError("valeur incorrecte pour --method : " + m);
    }
    if (options.count("--list1")) SelectItem(model, 0, options["--list1"]);
    if (options.count("--list2")) SelectItem(model, 1, options["--list2"]);

    const std::vector<app::ControlRef> inputs = app::RowCells(model, row);
    if (cells.size() > inputs.size())
        throw TableUsageError("la ligne " + std::to_string(row) + " n'a que " + std::to_string(inputs.size()) +
                              " case(s)");
    // Typed and left one after the other, as in the window.
    for (std::size_t i = 0; i < cells.size(); ++i) {
        model.Text(inputs[i].ctl, inputs[i].index) = cells[i];
        model.LostFocus(inputs[i].ctl, inputs[i].index);
    }
    model.Com_calculer_Click(row);

    for (int r = 0; r < app::RowCount; ++r) {
        const std::vector<std::string> texts = app::RowTexts(model, r);
        std::string line;
        for (std::size_t i = 0; i < texts.size(); ++i) line += (i ? "\t" : "") + texts[i];
        std::printf("%s\n", line.c_str());
    }
    return messages.shown ? ExitMessage : 0;
}

}  // namespace

int RunTable(const std::vector<std::string>& args) {
    try {
        return Run(args);
    } catch (const TableUsageError& e) {
        std::fprintf(stderr, "travena-cli : %s\n\n%s", e.what(), TableUsage);
        return ExitUsage;
    }
}

}  // namespace cli
