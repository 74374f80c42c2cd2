#pragma once
// The conversion table apart from its handlers: the notice of a Calc that
// goes on past a fault, and the table as text (the cells of each row in
// column order).

#include <string>
#include <utility>
#include <vector>

#include "app/main/MainModel.h"

namespace app {

inline constexpr const char* SafeModeMessage =
    "Une erreur s'est produite lors du calcul. Travena va poursuivre en mode sans échec.";

// The text cells of a row in column order; with visibleOnly, those the
// window currently shows (a list row's cells follow its selected system).
std::vector<ControlRef> RowCells(const MainModel& model, int row, bool visibleOnly = true);

// A row as the window shows it: its label (a list row: the list's text),
// then the texts of its visible cells.
std::vector<std::string> RowTexts(const MainModel& model, int row);

}  // namespace app
