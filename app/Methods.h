#pragma once
// The datum transformation methods as the user sees them, stated once: the
// "Calculs" menu caption, the name that messages and the batch run's
// « Méthode » column give, and the accuracy EPSG states for the Belgian leg
// (BD72 to ETRS89). The main window, the batch window and travena-cli all
// name a method through this table.

#include <cstdint>
#include <string>

#include "core/Datum.h"
#include "core/IgnGrid.h"
#include "store/AppFiles.h"

namespace app {

struct MethodText {
    std::int16_t method;      // TransformMethod
    const char* menuCaption;  // the "Calculs" item
    const char* name;         // in messages, under the table, in « Méthode »
    const char* accuracy;     // for the Belgian leg
};

inline constexpr MethodText MethodTexts[] = {
    {1, "geographic/geocentric conversions", "translation géocentrique, 3 paramètres", "± 5 m"},
    {2, "geographic conversion Molodenski", "Molodensky abrégé, 3 paramètres", "± 5 m"},
    {3, "Helmert tranformation (7 parameters)", "Helmert 7 paramètres", "± 0,2 m"},
    {4, "Grille IGN (NTv2, Belgique)", "grille IGN (NTv2)", "± 0,01 m"},
};

// Whether the windows offer a method for choosing: the IGN grid only where
// its file is there to be read (a build or an install without it leaves it out).
inline bool MethodOffered(const MethodText& m) {
    return m.method != core::method::IgnGrid || !store::ShippedFile(core::IgnGridFile).empty();
}

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

// The line under the table when, under method 4, the point lies outside the
// IGN grid and its BD72 rows were computed by Helmert.
inline std::string GridFallbackLine() {
    const MethodText* h = FindMethod(3);
    return std::string("Point hors de la grille IGN : BD72 par ") + h->name + " (" + h->accuracy + ")";
}

// « hors de la grille IGN, Helmert 7 paramètres »: what a point outside the
// IGN grid was given under method 4, said after its line or record.
inline std::string GridFallbackText() { return std::string("hors de la grille IGN, ") + FindMethod(3)->name; }

}  // namespace app
