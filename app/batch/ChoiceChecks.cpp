#include "app/batch/ChoiceChecks.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>

#include "app/batch/CoordinateText.h"
#include "base/SystemText.h"
#include "store/Engine.h"
#include "store/ParamDb.h"

namespace batch {

namespace {

namespace fs = std::filesystem;

constexpr const char* ParamDatabaseRefusal = "Le fichier de sortie ne peut pas être la base de paramètres.";

// The output would delete or replace what the run reads.
bool TouchesInput(const BatchChoices& c, const InputSource& source) {
    return store::SameFile(c.outputPath, c.inputPath) || store::SameFile(c.outputPath, source.database);
}

}  // namespace

bool NeedsY(const SystemChoice& input) {
    return input.kind != SystemKind::Mgrs && input.kind != SystemKind::Ifbl && input.kind != SystemKind::None;
}

bool NeedsZone(const SystemChoice& input) { return input.kind == SystemKind::Utm; }

std::optional<std::string> CheckChoices(const BatchChoices& c) {
    return CheckChoices(c, InputSourceOf(c.inputPath), OutputKindOf(c.outputPath));
}

std::optional<std::string> CheckChoices(const BatchChoices& c, const InputSource& source, OutputKind kind) {
    if (c.inIndex == 0 || c.outIndex == 0) return "Choisissez une projection d'entrée et/ou de sortie.";
    if (c.inIndex == c.outIndex || c.inIndex == c.out2Index)
        return "Choisissez des projections différentes d'entrée et de sortie(s).";
    const SystemChoice in = MakeSystemChoice(c.inSystem);
    if (c.xField.empty()) return "Indiquez la correspondance X.";
    if (NeedsY(in) && c.yField.empty()) return "Indiquez la correspondance Y.";
    if (NeedsZone(in) && c.zoneField.empty()) return "Indiquez la correspondance Fuseau.";
    // One field read twice would give every point on a diagonal, without a failure.
    if (NeedsY(in) && store::SameText(c.xField, c.yField))
        return "X et Y sont le même champ (« " + c.xField + " ») : indiquez deux champs différents.";
    if (NeedsZone(in) && (store::SameText(c.zoneField, c.xField) || store::SameText(c.zoneField, c.yField)))
        return "Le fuseau ne peut pas être le champ de X ou de Y (« " + c.zoneField + " »).";
    if (c.outputPath.empty()) return "Choisissez un fichier de sortie (enregistrer).";
    if (kind == OutputKind::None)
        return "Le fichier de sortie doit se terminer par .mdb ou .sqlite (base SQLite), .gpkg (GeoPackage), "
               ".xlsx (classeur Excel), .txt ou .csv (texte).";
    if (auto refusal = InputRefusal(c.inputPath)) return refusal;
    if (TouchesInput(c, source)) return "Le fichier de sortie ne peut pas être la source des données.";
    if (store::IsParamDatabase(c.outputPath)) return ParamDatabaseRefusal;
    // One rule for every kind: replaced only when the user said so.
    if (!c.overwrite && fs::symlink_status(c.outputPath).type() != fs::file_type::not_found)
        return ExistsRefusal(c.outputPath);
    if (const double scale = ScaleValue(c.scale); scale == 0 || !std::isfinite(scale))
        return "Indiquez une échelle numérique différente de zéro.";
    return std::nullopt;
}

std::optional<std::string> FolderRefusal(const std::string& outputPath) {
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(outputPath), ec).parent_path();
    if (ec) return std::nullopt;
    if (!fs::is_directory(folder, ec)) return "Le dossier « " + folder.string() + " » n'existe pas.";
    if (::access(folder.c_str(), W_OK) != 0)
        return "Le dossier « " + folder.string() + " » n'est pas accessible en écriture (" + base::SystemText(errno) +
               ").";
    return std::nullopt;
}

std::string ExistsRefusal(const std::string& path) {
    return "Le fichier « " + path + " » existe déjà ; il n'est remplacé que si vous le demandez.";
}

}  // namespace batch
