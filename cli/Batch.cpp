// Text inputs are imported into their scratch database first, as the batch
// window does when it opens one; the run then reads every source the same way.

#include "cli/Batch.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Errors.h"
#include "core/AngleText.h"
#include "store/Engine.h"
#include "store/ParamDb.h"
#include "app/batch/BatchRun.h"
#include "app/batch/InputFormat.h"
#include "app/batch/Plausibility.h"
#include "app/batch/SystemList.h"
#include "app/batch/TextImport.h"

namespace cli {

namespace {

constexpr int ExitFailed = 1, ExitRefused = 2;
constexpr int BarWidth = 40;

struct Refused {
    std::string message;
};

// A list item's selection index as the window would have it: 0 for the
// placeholder (no system given).
int IndexOf(const std::vector<std::string>& items, const std::string& system) {
    if (system.empty()) return 0;
    const auto it = std::find(items.begin(), items.end(), system);
    if (it == items.end()) throw Refused{"Système inconnu : « " + system + " » (voir travena-cli systems)."};
    return int(it - items.begin()) + 1;
}

std::string ImportDelimiter(const std::string& name) {
    if (name == "tab") return "\t";
    if (name == "comma") return ",";
    if (name == "semicolon") return ";";
    return name;  // any single character; the import refuses the rest
}

batch::OutputDelimiter OutputDelimiter(const std::string& name) {
    if (name == "tab") return batch::OutputDelimiter::Tab;
    if (name == "comma") return batch::OutputDelimiter::Comma;
    if (name == "semicolon") return batch::OutputDelimiter::Semicolon;
    throw Refused{"Délimiteur de sortie inconnu : « " + name + " » (tab, comma ou semicolon)."};
}

// For the window's multi-line messages on a terminal.
std::string Lines(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

class ProgressBar {
public:
    ProgressBar() : shown_(::isatty(STDERR_FILENO) == 1) {}
    ~ProgressBar() {
        if (drawn_) std::fputc('\n', stderr);
    }
    void operator()(const batch::BatchProgress& p) {
        if (!shown_ || p.total <= 0) return;
        const int filled = int(double(p.done) * BarWidth / double(p.total));
        if (filled == last_ && p.done != p.total) return;
        last_ = filled;
        drawn_ = true;
        std::fprintf(stderr, "\r[%s%s] %ld / %ld", std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(BarWidth - filled), ' ').c_str(), p.done, p.total);
        std::fflush(stderr);
    }

private:
    bool shown_;
    bool drawn_ = false;
    int last_ = -1;
};

int Run(const Options& o, int threads) {
    if (o.Has("--params")) store::SetParamDbPath(o.Get("--params"));
    std::vector<std::string> items;
    {
        store::Database params = store::OpenDatabase(store::ParamDbPath());
        items = batch::SystemItems(params);
    }
    batch::BatchChoices c;
    c.inSystem = o.Get("--from");
    c.outSystem = o.Get("--to");
    c.out2System = o.Get("--to2");
    c.inIndex = IndexOf(items, c.inSystem);
    c.outIndex = IndexOf(items, c.outSystem);
    c.out2Index = IndexOf(items, c.out2System);
    c.inputPath = o.Get("--in");
    c.xField = o.Get("--x");
    c.yField = o.Get("--y");
    c.zoneField = o.Get("--zone");
    c.zField = o.Get("--z");
    if (HeightKinds(o, c.heightIn, c.heightOut) && c.zField.empty())
        throw UsageError{"--height demande le champ des hauteurs (--z)"};
    c.outputPath = o.Get("--out");
    c.scale = o.Get("--scale", "1");
    c.geoFormat = o.Pick("--geo", {"dms", "deg", "rad", "ddmmss"}, core::angle::FromText);
    c.method = o.Pick("--method", {"1", "2", "3", "4"}, 1);
    c.methodColumn = o.Has("--method-column");
    c.delimiter = OutputDelimiter(o.Get("--delim", "tab"));
    c.quote = !o.Has("--no-quote");
    c.excelText = o.Has("--excel");
    c.precision = batch::OutputPrecision(o.Pick("--precision", {"full", "0.001"}, 1) - 1);
    if (c.excelText && batch::OutputKindOf(c.outputPath) != batch::OutputKind::Text)
        throw Refused{"--excel ne s'applique qu'à une sortie texte (.txt ou .csv)."};
    if (c.excelText && o.Has("--delim") && c.delimiter != batch::OutputDelimiter::Semicolon)
        throw Refused{"--excel sépare les champs par des points-virgules : --delim ne peut valoir que semicolon."};
    c.keepGoing = o.Has("--keep-going");
    c.overwrite = o.Has("--overwrite");
    c.threads = threads;
    if (c.inputPath.empty()) throw Refused{"Indiquez la source des données (--in)."};

    const bool text = batch::IsTextPath(c.inputPath);
    if (text && o.Has("--table")) throw Refused{"--table ne s'applique pas à un fichier texte."};
    if (!text && !o.Has("--table")) throw Refused{"Indiquez la table à convertir (--table)."};
    if (!text) c.table = o.Get("--table");
    if (const auto refusal = batch::CheckChoices(c))
        throw Refused{*refusal == batch::ExistsRefusal(c.outputPath)
                          ? "Le fichier « " + c.outputPath + " » existe déjà : --overwrite le remplace."
                          : *refusal};

    // A scratch database made in the temporary folder goes with the run.
    struct TemporaryScratch {
        std::string path;
        ~TemporaryScratch() {
            if (!path.empty()) batch::RemoveTemporaryScratch(path);
        }
    } scratch{text ? c.inputPath : std::string()};
    if (text) {
        batch::TextImportOptions import;
        import.delimiter = ImportDelimiter(o.Get("--in-delim", "tab"));
        import.header = !o.Has("--no-header");
        try {
            c.table = batch::ImportText(c.inputPath, import).tableName;
        } catch (const batch::TextImportError& e) {
            std::fprintf(stderr, "%s\n", Lines(e.Message()).c_str());
            return ExitFailed;
        }
    }
    // No one to ask: the warning goes with the run.
    if (const auto warning = batch::PlausibilityWarning(c))
        std::fprintf(stderr, "Attention : %s\n", Lines(warning->substr(0, warning->rfind('\r'))).c_str());
    batch::BatchReport report;
    try {
        ProgressBar bar;
        report = batch::RunBatch(c, [&bar](const batch::BatchProgress& p) { bar(p); });
    } catch (const batch::BatchFailure& e) {
        std::fprintf(stderr, "%s\n", Lines(e.Message()).c_str());
        return ExitFailed;
    }
    for (const auto& notice : report.notices) std::fprintf(stderr, "%s\n", notice.c_str());
    if (report.failed == 0) {
        std::printf("Conversion terminée avec succès.\n");
        return 0;
    }
    std::printf("%s\n", report.Summary().c_str());
    for (const auto& f : report.firstFailures)
        std::fprintf(stderr, "Enregistrement %ld : %s\n", f.record, f.reason.c_str());
    return ExitFailed;
}

}  // namespace

int RunBatchCommand(const Options& options, int threads) {
    try {
        return Run(options, threads);
    } catch (const Refused& r) {
        std::fprintf(stderr, "%s\n", r.message.c_str());
        return ExitRefused;
    }
}

}  // namespace cli
