// travena-cli: the conversions of the batch window, from the command line.
//
//   travena-cli convert --from SYSTEM --to SYSTEM [--method 1|2|3]
//                       [--geo dms|deg|rad] [--params FILE]
//   travena-cli batch --in PATH [--table NAME] --x FIELD [--y FIELD] [--zone FIELD]
//                     --from SYSTEM --to SYSTEM [--to2 SYSTEM] --out PATH [...]
//   travena-cli systems [--params FILE]
//
// Exit status: 0 success, 1 some input lines could not be converted,
// 2 bad usage or an unusable parameter database (before any output).

#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli/Batch.h"
#include "cli/Convert.h"
#include "cli/Table.h"
#include "base/Errors.h"
#include "store/Engine.h"
#include "store/ParamDb.h"
#include "app/batch/SystemList.h"

namespace {

constexpr int ExitUsage = 2;

const char* const Usage =
    "Usage :\n"
    "  travena-cli convert --from SYSTÈME --to SYSTÈME [--method 1|2|3]\n"
    "                      [--geo dms|deg|rad] [--params FICHIER]\n"
    "  travena-cli batch --in CHEMIN [--table NOM] --x CHAMP [--y CHAMP] [--zone CHAMP]\n"
    "                    --from SYSTÈME --to SYSTÈME [--to2 SYSTÈME] --out CHEMIN\n"
    "                    [--geo dms|deg|rad] [--scale S] [--delim tab|comma|semicolon]\n"
    "                    [--quote|--no-quote] [--in-delim tab|comma|semicolon|CAR]\n"
    "                    [--no-header] [--method 1|2|3] [--params FICHIER]\n"
    "  travena-cli systems [--params FICHIER]\n"
    "\n"
    "convert lit un point par ligne sur l'entrée standard et écrit une ligne\n"
    "par point, champs séparés par des tabulations :\n"
    "  projection  X Y           ->  X Y\n"
    "  UTM         E N fuseau    ->  E N fuseau\n"
    "  géographique  long lat    ->  long lat en degrés décimaux\n"
    "  MGRS, IFBL  la référence  ->  la référence\n"
    "SYSTÈME est un élément de la liste que donne « travena-cli systems ».\n"
    "--method : 1 translation géocentrique (défaut), 2 Molodensky, 3 Helmert.\n"
    "--geo : forme des coordonnées géographiques lues (deg par défaut).\n"
    "\n"
    "batch convertit une table entière (Access .mdb, Excel .xls, dossier de\n"
    "fichiers dBase, fichier texte .txt ou .csv) vers une base .mdb (table\n"
    "« Conversions ») ou un fichier texte .txt ou .csv ; --geo vaut dms par défaut.\n"
    "Statut : 0 succès, 1 échec de la conversion (rien n'est écrit), 2 choix refusé.\n";

struct UsageError {
    std::string message;
};

// Options as "--name value" or "--name=value", and flags without a value;
// every name must be known.
std::map<std::string, std::string> ParseOptions(const std::vector<std::string>& args,
                                                const std::vector<std::string>& known,
                                                const std::vector<std::string>& flags = {}) {
    std::map<std::string, std::string> options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        if (name.rfind("--", 0) != 0) throw UsageError{"argument inattendu : " + name};
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            options[name];
            continue;
        }
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError{"valeur manquante après " + name};
        }
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw UsageError{"option inconnue : " + name};
        options[name] = value;
    }
    return options;
}

store::Database OpenParams(const std::map<std::string, std::string>& options) {
    if (const auto it = options.find("--params"); it != options.end()) store::SetParamDbPath(it->second);
    return store::OpenDatabase(store::ParamDbPath());
}

int Systems(const std::vector<std::string>& args) {
    const auto options = ParseOptions(args, {"--params"});
    store::Database db = OpenParams(options);
    for (const auto& item : batch::SystemItems(db)) std::printf("%s\n", item.c_str());
    return 0;
}

std::int16_t Choice(const std::map<std::string, std::string>& options, const std::string& name,
                    const std::vector<std::string>& values, std::int16_t fallback) {
    const auto it = options.find(name);
    if (it == options.end()) return fallback;
    const auto v = std::find(values.begin(), values.end(), it->second);
    if (v == values.end()) throw UsageError{"valeur incorrecte pour " + name + " : " + it->second};
    return static_cast<std::int16_t>(v - values.begin() + 1);
}

int Convert(const std::vector<std::string>& args) {
    const auto options = ParseOptions(args, {"--from", "--to", "--method", "--geo", "--params"});
    cli::ConvertOptions o;
    for (const char* required : {"--from", "--to"})
        if (!options.count(required)) throw UsageError{std::string("option obligatoire : ") + required};
    o.from = options.at("--from");
    o.to = options.at("--to");
    o.method = Choice(options, "--method", {"1", "2", "3"}, 1);
    o.geoMode = Choice(options, "--geo", {"dms", "deg", "rad"}, 2);
    if (o.from == o.to) throw UsageError{"Choisissez des projections différentes d'entrée et de sortie(s)."};

    store::Database db = OpenParams(options);
    const auto items = batch::SystemItems(db);
    for (const auto* system : {&o.from, &o.to})
        if (std::find(items.begin(), items.end(), *system) == items.end())
            throw UsageError{"système inconnu : « " + *system + " » (voir travena-cli systems)"};
    return cli::RunConvert(o, STDIN_FILENO, stdout, stderr);
}

int Batch(const std::vector<std::string>& args) {
    const auto options = ParseOptions(args,
                                      {"--in", "--table", "--x", "--y", "--zone", "--from", "--to", "--to2", "--geo",
                                       "--scale", "--out", "--delim", "--in-delim", "--method", "--params"},
                                      {"--quote", "--no-quote", "--no-header"});
    if (options.count("--quote") && options.count("--no-quote")) throw UsageError{"--quote ou --no-quote, pas les deux"};
    return cli::RunBatchCommand(options);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "convert") return Convert(args);
        if (command == "systems") return Systems(args);
        if (command == "batch") return Batch(args);
        if (command == "table") return cli::RunTable(args);
        if (command == "--help" || command == "-h" || command == "help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        throw UsageError{command.empty() ? "commande manquante" : "commande inconnue : " + command};
    } catch (const UsageError& e) {
        std::fprintf(stderr, "travena-cli : %s\n\n%s", e.message.c_str(), Usage);
    } catch (const base::RuntimeError& e) {
        std::fprintf(stderr, "travena-cli : base de paramètres « %s » inutilisable : %s (erreur %d)\n",
                     store::ParamDbPath().c_str(), e.what(), e.number);
    }
    return ExitUsage;
}
