#include "app/main/StartOptions.h"

namespace app {

const char* const StartUsage =
    "Usage : travena [--params FICHIER]\n"
    "        travena --help | --version\n"
    "\n"
    "Ouvre la fenêtre de conversion de coordonnées de Travena.\n"
    "  --params FICHIER  utilise cette base de paramètres au lieu de celle par défaut\n"
    "  --version         écrit la version et la base de paramètres utilisée\n"
    "  --help            écrit ce texte\n"
    "Les options de Qt (-platform, -style, ...) sont acceptées aussi.\n"
    "travena-cli fait les mêmes conversions en ligne de commande.\n";

StartOptions ParseStartOptions(const std::vector<std::string>& args, bool longOnly) {
    StartOptions o;
    for (std::size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string& a = args[i];
        if (longOnly && a.rfind("--", 0) != 0) continue;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--params" || a.rfind("--params=", 0) == 0) {
            if (a != "--params") o.params = a.substr(9);
            else if (i + 1 < args.size()) o.params = args[++i];
            if (o.params.empty()) o.error = "valeur manquante après --params";
        } else {
            o.error = (a.rfind('-', 0) == 0 ? "option inconnue : " : "argument inattendu : ") + a;
        }
    }
    return o;
}

}  // namespace app
