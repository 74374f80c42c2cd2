#include "app/help/Module_aide.h"

#include <initializer_list>

namespace app {

namespace {

// Paragraphs joined by the given separators: "\n\n" leaves a blank line.
std::string Join(std::initializer_list<const char*> parts, const char* separator) {
    std::string text;
    for (const char* p : parts) {
        if (!text.empty()) text += separator;
        text += p;
    }
    return text;
}

}  // namespace

HelpText MainHelp() {
    return {"Travena - Conversion de coordonnées géographiques",
            Join({"Pour réaliser une conversion, entrez simplement les coordonnées dans la ou les case(s) "
                  "voulue(s), puis cliquez sur le bouton 'Calc' de la ligne correspondante à l'entrée. Le "
                  "tableau entier se remplit avec le résultat du calcul. Vous avez aussi la possibilité de "
                  "choisir d'autres projections dans les deux listes déroulantes.",
                  "Les coordonnées géographiques sous la forme longitude-latitude peuvent être encodées sous "
                  "trois formats différents : degrés-minutes-secondes, degrés-décimales ou radians.",
                  "Pour visualiser les paramètres de projection géographique utilisés pour la conversion, "
                  "cliquez sur son nom (en bleu). Dans le cas d'une autre projection, il faut au préalable la "
                  "sélectionner puis appuyer sur la touche 'majuscule' ou 'Ctrl'.",
                  "Vous pouvez choisir le type de calcul pour les transformations de coordonnées par le menu "
                  "'Calculs'. Trois algorithmes sont disponibles : geographic/geocentric conversions, "
                  "geographic conversion Molodenski et Helmert transformation (7 parameters)."},
                 "\n\n")};
}

HelpText BatchHelp() {
    const std::string intro =
        "La conversion de tables de coordonnées peut être réalisée à partir de quatre formats de fichiers "
        "différents : Access97, Excel97, dBase5.0 et texte délimité";
    const std::string steps = Join(
        {"La procédure de conversion est réalisée en cinq phases :",
         "1. Choisissez les systèmes de projection pour l'entrée et les sorties (max 2).",
         "2. Ouvrir le fichier contenant la table (*.mdb, *.xls, *.dbf ou *.txt).",
         "3. Sélectionnez la table et établir la correspondance des champs X, Y et fuseau (pour les "
         "projections UTM). Déterminez comment sont exprimées les coordonnées géographiques ou l'échelle "
         "utilisée pour les autres types de coordonnées. Vous pouvez visualiser le contenu de la table "
         "sélectionné en cliquant sur le bouton 'oeil'.",
         "4. Déterminer le fichier de sortie. Deux formats disponibles : texte ou Access97. Le fichier texte "
         "peut être aisément récupéré par des logiciels comme Excel, Access, Arcview, etc.",
         "5. Cliquez sur le bouton 'Convertir' pour terminer."},
        "\n");
    return {"Ouvrir une table de données", intro + "\n\n" + steps};
}

HelpText EditorHelp() {
    return {"Modifier les paramètres de projection",
            "Les paramètres des projections par défaut de la fenêtre principale sont seulement consultables "
            "(non modifiables). Il est cependant autorisé de modifier les paramètres des autres projections "
            "reprises dans les listes déroulantes de la fenêtre principale. Il est également possible "
            "d'ajouter des projections, des datums et des ellipsoïdes. L'identification des nouveaux éléments "
            "encodés est très importantes. Il est vivement conseillé de déterminer le pays par 2 lettres et "
            "l'élément en question par un code succinct. La combinaison des deux formera l'identifiant."};
}

void ShowMainHelp(Messages& messages) {
    const HelpText h = MainHelp();
    messages.Info(h.title, h.text);
}

void ShowBatchHelp(Messages& messages) {
    const HelpText h = BatchHelp();
    messages.Info(h.title, h.text);
}

void ShowEditorHelp(Messages& messages) {
    const HelpText h = EditorHelp();
    messages.Info(h.title, h.text);
}

}  // namespace app
