#include "app/help/About.h"

#include "store/ParamDb.h"

namespace app {

const char* Version() { return TRAVENA_VERSION; }

std::string GridCredits() {
    return "Grille IGN BD72 → ETRS89 (méthode 4) : Grid created by Nicolas SIMON (IGN Belgium), CC BY 4.0\n"
           "Hauteurs : C. Slobbe, R. Klees, H.H. Farahani, L. Huisman, B. Alberts, P. Voet, F. De Doncker (2018). "
           "The Belgian hybrid quasi-geoid: hBG18. V. 1.0. GFZ Data Services. doi:10.5880/isg.2018.003; CC BY 4.0";
}

std::string ParamDbText(const store::ParamDbLocation& location, const std::string& chosen) {
    const std::string head = "Base de paramètres : ";
    if (!chosen.empty()) return head + chosen + " (choisie par --params)";
    std::string text;
    switch (location.kind) {
    case store::ParamDbKind::BesideProgram: text = head + location.path + " (à côté du programme)"; break;
    case store::ParamDbKind::PersonalCopy:
        text = head + location.path + " (copie personnelle de " + location.shipped + ")";
        break;
    case store::ParamDbKind::Shipped: text = head + location.path + " (base livrée)"; break;
    case store::ParamDbKind::Missing: text = "Base de paramètres introuvable : " + location.path; break;
    }
    if (!location.notice.empty()) text += "\n" + location.notice;
    return text;
}

std::string ParamDbText() {
    const std::string chosen = store::ParamDbOverride();
    return chosen.empty() ? ParamDbText(store::ParamDbInUse()) : ParamDbText({}, chosen);
}

}  // namespace app
