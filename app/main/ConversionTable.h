#pragma once
// The conversion table apart from its handlers: the fault policy of the Calc
// handler, and the table as text (the cells of each row in column order).

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/main/MainModel.h"

namespace app {

inline constexpr const char* SafeModeMessage =
    "Une erreur s'est produite lors du calcul. Travena va poursuivre en mode sans échec.";

// Runs one step of a handler. A run-time error ends the step, is reported
// through onFault, and the caller goes on with its next step; the values the
// step wrote before failing stay written.
template <class Step, class OnFault>
void RunStep(Step&& step, OnFault&& onFault) {
    try {
        step();
    } catch (const std::exception&) {
        onFault();
    }
}

// The text cells of a row in column order; with visibleOnly, those the
// window currently shows (a list row's cells follow its selected system).
std::vector<ControlRef> RowCells(const MainModel& model, int row, bool visibleOnly = true);

// A row as the window shows it: its label (a list row: the list's text),
// then the texts of its visible cells.
std::vector<std::string> RowTexts(const MainModel& model, int row);

}  // namespace app
