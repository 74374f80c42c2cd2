#pragma once
// The datum transformation methods as the user sees them, stated once: the
// "Calculs" menu caption, the name that messages and the batch run's
// « Méthode » column give, and the accuracy EPSG states for the Belgian leg
// (BD72 to ETRS89). The main window, the batch window and travena-cli all
// name a method through this table.

#include <cstdint>
#include <string>

#include "core/Datum.h"

namespace app {

struct MethodText {
    std::int16_t method;      // TransformMethod
    const char* menuCaption;  // the "Calculs" item
    const char* name;         // in messages, under the table, in « Méthode »
    const char* accuracy;     // for the Belgian leg
};

// Method 4 (the IGN grid) is listed so that every window names it alike once
// the grid is read; until then nothing offers it.
inline constexpr MethodText MethodTexts[] = {
    {1, "geographic/geocentric conversions", "translation géocentrique, 3 paramètres", "± 5 m"},
    {2, "geographic conversion Molodenski", "Molodensky abrégé, 3 paramètres", "± 5 m"},
    {3, "Helmert tranformation (7 parameters)", "Helmert 7 paramètres", "± 0,2 m"},
    {4, "Grille IGN (NTv2, Belgique)", "grille IGN (NTv2)", "± 0,01 m"},
};

// Whether the windows offer a method for choosing: the IGN grid once it is read.
inline bool MethodOffered(const MethodText& m) { return m.method != core::method::IgnGrid; }

// The row of `method`, null for a value outside the table.
inline const MethodText* FindMethod(std::int16_t method) {
    for (const MethodText& m : MethodTexts)
        if (m.method == method) return &m;
    return nullptr;
}

// « Méthode : Helmert 7 paramètres (± 0,2 m en Belgique) », the line shown
// with every result; empty for a value outside the table.
inline std::string MethodLine(std::int16_t method) {
    const MethodText* m = FindMethod(method);
    if (!m) return {};
    return std::string("Méthode : ") + m->name + " (" + m->accuracy + " en Belgique)";
}

}  // namespace app
