// travena-cli: the conversions of the batch window, from the command line.
//
//   travena-cli convert --from SYSTEM --to SYSTEM [--method 1|2|3|4]
//                       [--geo dms|deg|rad|ddmmss] [--params FILE]
//   travena-cli batch --in PATH [--table NAME] --x FIELD [--y FIELD] [--zone FIELD]
//                     --from SYSTEM --to SYSTEM [--to2 SYSTEM] --out PATH [...]
//   travena-cli table --row N [--list1 ITEM] [--list2 ITEM] CELL...
//   travena-cli systems [--proj [--method 1|3]] [--params FILE]
//   travena-cli COMMAND --help, travena-cli --help, travena-cli --version
//
// Exit status: 0 success, 1 some input lines could not be converted,
// 2 bad usage or an unusable parameter database (before any output).

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Batch.h"
#include "cli/Convert.h"
#include "cli/Options.h"
#include "cli/Systems.h"
#include "cli/Table.h"
#include "base/Errors.h"
#include "base/SystemText.h"
#include "store/Engine.h"
#include "store/ParamDb.h"
#include "store/ParamDbLocation.h"
#include "app/help/About.h"
#include "app/batch/SystemList.h"

namespace {

constexpr int ExitFailed = 1, ExitUsage = 2;

const char* const ConvertUsage =
    "  travena-cli convert --from SYSTÈME --to SYSTÈME [--method 1|2|3|4]\n"
    "                      [--geo dms|deg|rad|ddmmss] [--height h:H|H:h|h:h|H:H]\n"
    "                      [--threads N] [--params FICHIER]\n";
const char* const ConvertHelp =
    "convert lit un point par ligne sur l'entrée standard et écrit une ligne\n"
    "par point, champs séparés par des tabulations :\n"
    "  projection  X Y           ->  X Y\n"
    "  UTM         E N fuseau    ->  E N fuseau\n"
    "  géographique  long lat    ->  long lat en degrés décimaux\n"
    "  MGRS, IFBL  la référence  ->  la référence\n"
    "SYSTÈME est un élément de la liste que donne « travena-cli systems ».\n"
    "--method : 1 translation géocentrique (défaut), 2 Molodensky, 3 Helmert,\n"
    "4 grille IGN (BD72 à ETRS89 au centimètre, Helmert pour les autres datums) ;\n"
    "un point hors de la grille est calculé par Helmert et signalé sur la sortie\n"
    "d'erreur (« Ligne N : hors de la grille IGN, Helmert 7 paramètres »).\n"
    "--geo : forme des coordonnées géographiques lues (deg par défaut).\n"
    "--height ENTRÉE:SORTIE : chaque ligne finit par une hauteur, h ellipsoïdale\n"
    "(ETRS89) ou H d'Ostende (DNG, quasi-géoïde hBG18, Belgique terrestre) ; la\n"
    "ligne écrite finit par la hauteur convertie, * hors du modèle (statut 1).\n"
    "--threads : nombre de fils de calcul (défaut : un par cœur) ; la sortie est la même.\n"
    "Statut : 0 succès, 1 une ligne au moins n'a pu être convertie, 2 usage incorrect.\n";
const char* const BatchUsage =
    "  travena-cli batch --in CHEMIN [--table NOM] --x CHAMP [--y CHAMP] [--zone CHAMP]\n"
    "                    [--z CHAMP [--height h:H|H:h|h:h|H:H]]\n"
    "                    --from SYSTÈME --to SYSTÈME [--to2 SYSTÈME] --out CHEMIN\n"
    "                    [--geo dms|deg|rad|ddmmss] [--scale S] [--delim tab|comma|semicolon]\n"
    "                    [--quote|--no-quote] [--in-delim tab|comma|semicolon|CAR]\n"
    "                    [--excel] [--precision full|0.001] [--no-header] [--keep-going] [--overwrite]\n"
    "                    [--method 1|2|3|4] [--method-column] [--threads N] [--params FICHIER]\n";
const char* const BatchHelp =
    "batch convertit une table entière (Access .mdb, Excel .xls ou .xlsx,\n"
    "OpenDocument .ods, GeoPackage .gpkg, dossier de fichiers dBase, fichier\n"
    "texte .txt ou .csv) ; --geo vaut dms par défaut (ddmmss : 4.2130 est 4°21'30'').\n"
    "La sortie dépend de la fin de --out : .mdb ou .sqlite base SQLite, .gpkg\n"
    "GeoPackage (points en WGS 84), .xlsx classeur Excel (table « Conversions »),\n"
    "sinon fichier texte .txt ou .csv. --excel écrit ce texte pour Excel en\n"
    "Belgique et en France : points-virgules, virgules décimales, UTF-8 avec BOM.\n"
    "--precision 0.001 arrondit les résultats à 0,001 m et 0,000001° (full :\n"
    "tous les chiffres calculés, par défaut).\n"
    "Sans --keep-going, le premier enregistrement inconvertible arrête tout et rien\n"
    "n'est écrit ; avec, chaque enregistrement est écrit, ceux en échec avec des\n"
    "coordonnées vides et leur cause dans une dernière colonne « Erreur ».\n"
    "--method comme pour convert ; --method-column ajoute une colonne « Méthode »\n"
    "nommant la méthode de chaque enregistrement (Helmert hors de la grille IGN) ;\n"
    "le message final compte les enregistrements hors de la grille.\n"
    "--z CHAMP ajoute une colonne de hauteur convertie (--height, h:H par défaut :\n"
    "h_ETRS89 ou H_DNG, quasi-géoïde hBG18) ; hors du modèle l'enregistrement échoue.\n"
    "--threads : nombre de fils de calcul (défaut : un par cœur) ; la sortie est la même.\n"
    "Statut : 0 succès, 1 échec de la conversion (ou d'enregistrements avec\n"
    "--keep-going), 2 choix refusé.\n";
const char* const TableUsage =
    "  travena-cli table --row N [--list1 ÉLÉMENT] [--list2 ÉLÉMENT] [--method 1|2|3|4]\n"
    "                    [--h HAUTEUR | --H HAUTEUR] [--params FICHIER] CASE...\n";
const char* const TableHelp =
    "table encode les CASEs dans la ligne N (0 à 12) du tableau de la fenêtre\n"
    "principale, dans l'ordre de ses colonnes, calcule et affiche chaque ligne :\n"
    "son nom puis ses cases, séparés par des tabulations. --list1 et --list2\n"
    "choisissent les systèmes des lignes 11 et 12 (voir les listes « Autres\n"
    "projections »). --h (hauteur ellipsoïdale, ETRS89) ou --H (hauteur Ostende,\n"
    "DNG, quasi-géoïde hBG18) ajoute la ligne des hauteurs : la hauteur donnée et\n"
    "l'autre, calculée au point (aucune hors du modèle, qui couvre la Belgique).\n"
    "Statut : 0, 1 si un message a été affiché, 2 usage incorrect.\n";
const char* const SystemsUsage = "  travena-cli systems [--proj [--method 1|3]] [--params FICHIER]\n";
const char* const SystemsHelp =
    "systems écrit les systèmes que connaît la base de paramètres, un par ligne.\n"
    "--proj ajoute une tabulation et la chaîne PROJ du système (pour cs2cs, QGIS) :\n"
    "+towgs84 à 3 paramètres, ou à 7 avec --method 3 ; une ligne par fuseau pour\n"
    "un système UTM à fuseaux automatiques, aucune chaîne pour MGRS et IFBL.\n";

store::Database OpenParams(const cli::Options& options) {
    if (options.Has("--params")) store::SetParamDbPath(options.Get("--params"));
    return store::OpenDatabase(store::ParamDbPath());
}

// --threads N, 1 to 64; 0 when absent (one per core).
int Threads(const cli::Options& options) {
    if (!options.Has("--threads")) return 0;
    const std::string text = options.Get("--threads");
    int n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > 64)
        throw cli::UsageError{"valeur incorrecte pour --threads : " + text + " (1 à 64)"};
    return n;
}

int Convert(const cli::Options& options) {
    cli::ConvertOptions o;
    o.from = options.Required("--from");
    o.to = options.Required("--to");
    o.method = options.Pick("--method", {"1", "2", "3", "4"}, 1);
    o.geoMode = options.Pick("--geo", {"dms", "deg", "rad", "ddmmss"}, 2);
    cli::HeightKinds(options, o.heightIn, o.heightOut);
    o.threads = Threads(options);
    if (o.from == o.to) throw cli::UsageError{"Choisissez des projections différentes d'entrée et de sortie(s)."};

    store::Database db = OpenParams(options);
    const auto items = batch::SystemItems(db);
    for (const auto* system : {&o.from, &o.to})
        if (std::find(items.begin(), items.end(), *system) == items.end())
            throw cli::UsageError{"système inconnu : « " + *system + " » (voir travena-cli systems)"};
    return cli::RunConvert(o, STDIN_FILENO, stdout, stderr);
}

int Batch(const cli::Options& options) {
    if (options.Has("--quote") && options.Has("--no-quote"))
        throw cli::UsageError{"--quote ou --no-quote, pas les deux"};
    return cli::RunBatchCommand(options, Threads(options));
}

struct Command {
    const char* name;
    const char* usage;
    const char* help;
    cli::CommandSpec spec;
    int (*run)(const cli::Options&);
};

const Command Commands[] = {
    {"convert",
     ConvertUsage,
     ConvertHelp,
     {{"--from", "--to", "--method", "--geo", "--height", "--threads", "--params"}, {}, false},
     Convert},
    {"batch",
     BatchUsage,
     BatchHelp,
     {{"--in", "--table", "--x", "--y", "--zone", "--z", "--height", "--from", "--to", "--to2", "--geo", "--scale",
       "--out", "--delim", "--in-delim", "--method", "--params", "--precision", "--threads"},
      {"--quote", "--no-quote", "--no-header", "--keep-going", "--excel", "--overwrite", "--method-column"},
      false},
     Batch},
    {"table",
     TableUsage,
     TableHelp,
     {{"--row", "--list1", "--list2", "--method", "--h", "--H", "--params"}, {}, true},
     cli::RunTable},
    {"systems", SystemsUsage, SystemsHelp, {{"--method", "--params"}, {"--proj"}, false}, cli::RunSystems},
};

std::string GeneralUsage() {
    std::string text = "Usage :\n";
    for (const Command& c : Commands) text += c.usage;
    text += "  travena-cli --version   (la version et la base de paramètres utilisée)\n\n";
    for (const Command& c : Commands) text += c.help;
    return text + "« travena-cli COMMANDE --help » décrit une commande.\n";
}

std::string CommandUsage(const Command& c) { return std::string("Usage :\n") + c.usage + "\n" + c.help; }

// A standard stream the caller closed is given /dev/null the wrong way
// round before anything else can open a file: its number is never taken by
// the parameter database or an output (which would then receive the
// results), and reading or writing it fails instead of reading nothing or
// writing nowhere.
void GuardStandardStreams() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

// `status`, or a failure when standard output could not take what was
// written to it: lost output (a full disk, a closed pipe) is not a success.
// A command that failed has already said why.
int Finish(int status) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    if (status != 0) return status;
    std::fprintf(stderr, "travena-cli : écriture impossible : %s\n", base::SystemText(errno).c_str());
    return ExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    GuardStandardStreams();
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    const std::string name = argc > 1 ? argv[1] : "";
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(GeneralUsage().c_str(), stdout);
        return Finish(0);
    }
    if (name == "--version") {
        std::printf("travena-cli %s\n%s\n", app::Version(), app::ParamDbText().c_str());
        return Finish(0);
    }
    const Command* command = nullptr;
    for (const Command& c : Commands)
        if (name == c.name) command = &c;
    try {
        if (!command) throw cli::UsageError{name.empty() ? "commande manquante" : "commande inconnue : " + name};
        const cli::Options options(command->spec, args);
        if (options.HelpAsked()) {
            std::fputs(CommandUsage(*command).c_str(), stdout);
            return Finish(0);
        }
        // Conversions still work from the shipped file; the user should know why edits will not.
        if (!options.Has("--params") && store::ParamDbInUse().kind == store::ParamDbKind::Shipped)
            std::fprintf(stderr, "travena-cli : %s\n", store::ParamDbInUse().notice.c_str());
        return Finish(command->run(options));
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "travena-cli : %s\n\n%s", e.message.c_str(),
                     command ? CommandUsage(*command).c_str() : GeneralUsage().c_str());
    } catch (const base::RuntimeError& e) {
        std::fprintf(stderr, "travena-cli : base de paramètres « %s » inutilisable : %s (erreur %d)\n",
                     store::ParamDbPath().c_str(), e.what(), e.number);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "travena-cli : %s\n", base::OutOfMemoryText);
        return ExitFailed;
    }
    return ExitUsage;
}
