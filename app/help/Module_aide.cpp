#include "app/help/Module_aide.h"

#include <initializer_list>
#include <string>

#include "app/Methods.h"

namespace app {

namespace {

// Paragraphs joined by the given separators: "\n\n" leaves a blank line.
std::string Join(std::initializer_list<std::string> parts, const char* separator) {
    std::string text;
    for (const std::string& p : parts) {
        if (!text.empty()) text += separator;
        text += p;
    }
    return text;
}

// The "Calculs" menu's methods, as offered here (the IGN grid only where its
// file is installed), so the help never counts one the menu lacks.
std::string MethodsSentence() {
    static constexpr const char* Counts[] = {"Aucun", "Un", "Deux", "Trois", "Quatre", "Cinq"};
    std::string list;
    std::size_t count = 0, shown = 0;
    for (const MethodText& m : MethodTexts) count += MethodOffered(m) ? 1 : 0;
    for (const MethodText& m : MethodTexts) {
        if (!MethodOffered(m)) continue;
        ++shown;
        if (shown > 1) list += shown == count ? " et " : ", ";
        list += m.menuCaption;
    }
    const std::string n = count < std::size(Counts) ? Counts[count] : std::to_string(count);
    return "Vous pouvez choisir le type de calcul pour les transformations de coordonnées par le menu "
           "'Calculs'. " +
           n + (count > 1 ? " algorithmes sont disponibles : " : " algorithme est disponible : ") + list + ".";
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
                  MethodsSentence(),
                  "Hauteurs : tapez la hauteur ellipsoïdale d'un récepteur GNSS (h, ETRS89) ou une altitude "
                  "Ostende (H, DNG) dans la ligne 'Hauteurs' ; le bouton 'Calc' d'une ligne, ou celui des "
                  "hauteurs pour le point déjà calculé, donne l'autre par le quasi-géoïde hBG18, valable pour "
                  "la Belgique à terre. La hauteur tapée en dernier est celle qui est convertie."},
                 "\n\n")};
}

HelpText BatchHelp() {
    // What the window reads and writes today: Access 97 output is long gone.
    const std::string intro =
        "La conversion de tables de coordonnées peut être réalisée à partir de ces formats de fichiers : "
        "Access (.mdb), Excel (.xls, .xlsx), OpenDocument (.ods), GeoPackage (.gpkg), dBase (.dbf) et "
        "texte délimité (.txt, .csv)";
    const std::string steps =
        Join({"La procédure de conversion est réalisée en cinq phases :",
              "1. Choisissez les systèmes de projection pour l'entrée et les sorties (max 2), et la méthode de "
              "transformation de datum (la même que dans la fenêtre principale).",
              "2. Ouvrez le fichier contenant la table. Un fichier texte passe par la fenêtre 'Fichier texte', "
              "qui montre ses premières lignes et propose son délimiteur.",
              "3. Sélectionnez la table et établissez la correspondance des champs X, Y et fuseau (pour les "
              "projections UTM). Déterminez comment sont exprimées les coordonnées géographiques "
              "(DD°MM'SS.SS'', DD.MMSS, degrés décimaux ou radians) ou l'échelle utilisée pour les autres types "
              "de coordonnées. Vous pouvez visualiser le contenu de la table sélectionnée en cliquant sur le "
              "bouton 'oeil'. Un champ de hauteurs, facultatif, se choisit par '> Z' (le même champ une seconde "
              "fois l'enlève) avec la sorte de hauteur lue et écrite : h ellipsoïdale (ETRS89) ou H Ostende "
              "(DNG, hBG18) ; la sortie reçoit la colonne h_ETRS89 ou H_DNG.",
              "4. Déterminez le fichier de sortie : texte (.txt, .csv ; 'pour Excel' donne un fichier qu'Excel "
              "ouvre en colonnes en Belgique et en France), classeur Excel (.xlsx), GeoPackage (.gpkg, les points "
              "sur une carte) ou base SQLite (.mdb, .sqlite). Un fichier existant n'est remplacé que si vous le "
              "confirmez. La précision des résultats peut être arrondie à 0,001 m / 0,000001°.",
              "5. Cliquez sur le bouton 'Convertir' (ou Entrée) pour terminer. Avec 'poursuivre après un "
              "enregistrement en erreur', les enregistrements en échec sont écrits avec leur cause dans la "
              "colonne 'Erreur'."},
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
