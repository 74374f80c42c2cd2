// The batch run reads its source table once from first to last record and
// writes each record, input fields first and converted coordinates after,
// to a file built beside the output and put in its place only when the run
// has completed: a failure leaves no output at all.
//
// The database run converts while it copies, in one pass over the linked
// "Connection" table; the result is the "Conversions" table that copying
// first and converting in place afterwards would give.

#include "app/batch/BatchRun.h"
#include "app/batch/ChoiceChecks.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <exception>
#include <memory>
#include <optional>

#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "core/QuasiGeoid.h"
#include "base/SystemText.h"
#include "base/Utf8.h"
#include "store/Engine.h"
#include "store/ParamDb.h"
#include "store/Statement.h"
#include "app/batch/CoordinateText.h"
#include "app/batch/InputFormat.h"
#include "app/batch/PendingFile.h"
#include "app/batch/Quoted.h"
#include "app/batch/ReadableValue.h"
#include "app/batch/RecordIo.h"
#include "app/batch/TableFeed.h"
#include "app/batch/TextImport.h"
#include "app/Methods.h"
#include "base/Workers.h"

namespace batch {

namespace {

namespace fs = std::filesystem;

constexpr const char* FailureText =
    "Erreur lors de la conversion. Vérifiez vos données et les paramètres des projections.";
constexpr const char* OutputTable = "Conversions";
constexpr const char* LinkTable = "Connection";
constexpr int GridColumnSize = 25;
constexpr const char* ErrorColumn = "Erreur";  // a keep-going run's reason a record failed
constexpr int ErrorColumnSize = 255;
constexpr const char* MethodColumn = "Méthode";  // the method that gave each record
constexpr int MethodColumnSize = 64;
constexpr std::size_t FailuresKept = 5;

std::string_view MethodName(std::int16_t method) {
    const app::MethodText* m = app::FindMethod(method);
    return m ? m->name : "";
}

std::string GridFallbackNotice(long records) {
    return std::to_string(records) + " enregistrement(s) " + app::GridFallbackText() + ".";
}

char DelimiterChar(OutputDelimiter d) {
    switch (d) {
    case OutputDelimiter::Comma: return ',';
    case OutputDelimiter::Semicolon: return ';';
    default: return '\t';
    }
}

void AppendOutputFields(const SystemChoice& output, bool second, std::vector<store::FieldDef>& fields) {
    const std::vector<std::string> names = OutputColumns(output, second);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (output.kind == SystemKind::Mgrs || output.kind == SystemKind::Ifbl)
            fields.push_back({names[i], store::dbText, GridColumnSize});
        else
            fields.push_back(
                {names[i], output.kind == SystemKind::Utm && i == 2 ? store::dbInteger : store::dbDouble, 0});
    }
}

// The input's fields, then each output's. A name already taken (two datums of
// one country both give "BE_Long"; an input holding "Fuseau") gets a suffix,
// "BE_Long_2", so every column can be told apart.
std::vector<store::FieldDef> OutputTableFields(const std::vector<store::FieldDef>& input, const SystemChoice& out,
                                               const SystemChoice& out2, const BatchChoices& c) {
    std::vector<store::FieldDef> fields;
    for (const auto& f : input) fields.push_back({f.Name, f.Type ? f.Type : store::dbText, 0});
    AppendOutputFields(out, false, fields);
    AppendOutputFields(out2, true, fields);
    if (!c.zField.empty()) fields.push_back({c.heightOut == 'H' ? "H_DNG" : "h_ETRS89", store::dbDouble, 0});
    if (c.methodColumn) fields.push_back({MethodColumn, store::dbText, MethodColumnSize});
    if (c.keepGoing) fields.push_back({ErrorColumn, store::dbText, ErrorColumnSize});
    const auto taken = [&](std::size_t upTo, const std::string& name) {
        for (std::size_t j = 0; j < upTo; ++j)
            if (store::SameText(fields[j].Name, name)) return true;
        return false;
    };
    for (std::size_t i = input.size(); i < fields.size(); ++i) {
        const std::string base = fields[i].Name;
        for (int k = 2; taken(i, fields[i].Name); ++k) fields[i].Name = base + "_" + std::to_string(k);
    }
    return fields;
}

// Reads one record's coordinates and converts them to one or two outputs.
class RecordConverter {
public:
    RecordConverter(const BatchChoices& c, const std::vector<store::FieldDef>& fields)
        : conversion_(MakeSystemChoice(c.inSystem), MakeSystemChoice(c.outSystem), c.method),
          conversion2_(conversion_.In(), MakeSystemChoice(c.out2Index > 0 ? c.out2System : std::string()), c.method),
          form_{c.geoFormat, ScaleValue(c.scale)}, heightIn_(c.heightIn), heightOut_(c.heightOut) {
        const SystemChoice& in = conversion_.In();
        if (!c.zField.empty()) zColumn_ = Index(fields, c.zField);
        columns_[FieldX] = Index(fields, c.xField);
        if (NeedsY(in)) columns_[FieldY] = Index(fields, c.yField);
        if (NeedsZone(in)) columns_[FieldZone] = Index(fields, c.zoneField);
    }

    const SystemChoice& Out() const { return conversion_.Out(); }
    const SystemChoice& Out2() const { return conversion2_.Out(); }
    // The last record converted, in WGS 84.
    const core::Wgs84Pivot& Pivot() const { return pivot_; }
    // What the last record's datum legs went through, both outputs together.
    const core::DatumLegs& Legs() const { return legs_; }
    std::int16_t Method() const { return conversion_.Method(); }
    bool HasHeight() const { return zColumn_.has_value(); }
    // The last record's output height.
    double Height() const { return height_; }

    void Convert(const std::vector<store::Value>& row, Coordinates& r1, Coordinates& r2) {
        // The field last asked for is the one refused.
        const Column* asked = nullptr;
        try {
            ReadCoordinates(
                conversion_.In().kind, form_,
                [&](int k) {
                    asked = &columns_[k];
                    const store::Value& v = row[asked->index];
                    if (v.IsNull()) throw base::RuntimeError(base::err::InvalidNull, "valeur Null.");
                    if (const std::string* text = v.IfText()) return std::string_view(*text);
                    scratch_ = v.Text();  // read before the next field is asked for
                    return std::string_view(scratch_);
                },
                point_);
        } catch (const base::RuntimeError& e) {
            throw base::RuntimeError(e.number, "champ « " + (asked ? asked->name : std::string()) + " » : " + e.what());
        }
        legs_ = {};
        conversion_.Convert(point_, r1, &pivot_, &legs_);
        if (Out2().kind != SystemKind::None) conversion2_.Convert(point_, r2, nullptr, &legs_);
        if (zColumn_) ConvertHeight(row[zColumn_->index]);
    }

private:
    struct Column {
        std::size_t index = 0;
        std::string name;
    };

    static Column Index(const std::vector<store::FieldDef>& fields, const std::string& name) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (store::SameText(fields[i].Name, name)) return {i, fields[i].Name};
        throw BatchFailure(base::err::NotInCollection, "Le champ « " + name + " » n'existe pas dans la table.", 0);
    }

    // H = h - N at the record's ETRS89 (WGS 84) position.
    void ConvertHeight(const store::Value& v) {
        const std::string field = "champ « " + zColumn_->name + " » : ";
        if (v.IsNull()) throw base::RuntimeError(base::err::InvalidNull, field + "valeur Null.");
        double z = 0;
        try {
            z = v.IfText() ? ProjectedValue(*v.IfText(), 1) : ProjectedValue(v.Text(), 1);
        } catch (const base::RuntimeError& e) {
            throw base::RuntimeError(e.number, field + e.what());
        }
        if (!core::ConvertHeight(heightIn_, heightOut_, pivot_.lon, pivot_.lat, z, height_))
            throw base::RuntimeError(base::err::InvalidCall, core::OutsideQuasiGeoidText);
    }

    Conversion conversion_, conversion2_;
    ReadingForm form_;
    char heightIn_, heightOut_;
    std::optional<Column> zColumn_;
    double height_ = 0;
    Column columns_[3];
    Coordinates point_;
    core::Wgs84Pivot pivot_;
    core::DatumLegs legs_;
    std::string scratch_;
};

// One thread's share of a block: each record converted, then handed to
// `emit` with its failure (null when converted). A run that does not keep
// going stops the share at its first failure.
struct Share {
    struct Failure {
        std::size_t index;  // in the block
        int number;
        std::string what;
        std::string Reason() const { return std::to_string(number) + " " + what; }
    };
    std::vector<Failure> failures;     // in record order
    std::exception_ptr error;          // anything else: the run stops there
    std::string text;                  // the text run's lines
    std::vector<store::Value> values;  // scratch
    long gridFallbacks = 0;
};

struct RecordResult {
    Coordinates r1, r2;
    core::Wgs84Pivot pivot;   // of r1
    std::int16_t method = 0;  // the method that gave it (core::UsedMethod)
    double height = 0;        // with a height field
};

// Reads the records a block at a time under parameter read scopes, has the
// threads convert contiguous shares of each block, and takes the shares back
// in record order: the report, the failures and whatever `write` does with
// them do not depend on the number of threads. With more than one thread
// the next block is read while the threads convert this one, so that the
// reading (one thread, whatever the format) does not leave the others idle.
class BlockRun {
public:
    BlockRun(const BatchChoices& c, const RecordConverter& converter)
        : keepGoing_(c.keepGoing), threads_(c.threads > 0 ? c.threads : base::CoreCount()), readAhead_(threads_ > 1),
          workers_(readAhead_ ? threads_ + 1 : threads_),
          converters_(std::size_t(readAhead_ ? threads_ : workers_.Count()), converter), results_(converters_.size()),
          shares_(converters_.size()) {}

    // emit(share, index, row, result, failure) builds a record's output on a
    // worker thread; write(share, rows, from, to) writes a share's records in order.
    template <typename Emit, typename Write>
    BatchReport Run(store::TableCursor& cursor, long total, const std::function<void(const BatchProgress&)>& progress,
                    Emit emit, Write write) {
        BatchReport report;
        std::vector<std::vector<store::Value>> buffers[2] = {
            std::vector<std::vector<store::Value>>(BlockRecords),
            std::vector<std::vector<store::Value>>(readAhead_ ? BlockRecords : 0)};
        int which = 0;
        Block block = Read(cursor, buffers[which]);
        long done = 0;
        for (;;) {
            if (block.fatal) std::rethrow_exception(block.fatal);
            std::vector<std::vector<store::Value>>& rows = buffers[which];
            const std::size_t count = block.count;
            const std::size_t parts = std::min<std::size_t>(shares_.size(), std::max<std::size_t>(1, count / MinShare));
            const std::size_t per = (count + parts - 1) / std::max<std::size_t>(parts, 1);
            const auto convert = [&](std::size_t k) {
                const std::size_t from = std::min(count, per * k);
                ConvertShare(k, rows, from, std::min(count, from + per), emit);
            };
            const bool ahead = readAhead_ && block.more;
            Block next;
            if (ahead) {
                // Part 0, on this thread, reads; the others convert.
                workers_.Run(int(parts) + 1, [&](int k) {
                    if (k == 0) next = Read(cursor, buffers[1 - which]);
                    else convert(std::size_t(k - 1));
                });
            } else {
                workers_.Run(int(parts), [&](int k) { convert(std::size_t(k)); });
            }
            for (std::size_t k = 0; k < parts; ++k) {
                Share& share = shares_[k];
                if (share.error) std::rethrow_exception(share.error);
                const std::size_t from = std::min(count, per * k), to = std::min(count, from + per);
                if (!keepGoing_ && !share.failures.empty()) {
                    const Share::Failure& f = share.failures.front();
                    throw BatchFailure(f.number, f.what, done + long(f.index) + 1);
                }
                for (const Share::Failure& f : share.failures)
                    if (report.firstFailures.size() < FailuresKept)
                        report.firstFailures.push_back({done + long(f.index) + 1, f.Reason()});
                report.failed += long(share.failures.size());
                report.gridFallbacks += share.gridFallbacks;
                report.converted += long(to - from - share.failures.size());
                try {
                    write(share, rows, from, to);
                } catch (const base::RuntimeError& e) {
                    throw BatchFailure(e.number, e.what(), done + long(to));
                }
            }
            done += long(count);
            if (block.readError) throw BatchFailure(block.readError->number, block.readError->what(), done);
            if (progress) progress({done, std::max(total, done)});
            if (!block.more) break;
            if (ahead) {
                block = std::move(next);
                which = 1 - which;
            } else {
                block = Read(cursor, rows);
            }
        }
        return report;
    }

    static constexpr std::size_t BlockRecords = 4096;

private:
    static constexpr std::size_t MinShare = 256;  // fewer records are not worth a thread

    // One block read: its records, whether more may follow, and what ended
    // it early (a record that cannot be read, after those before it; any
    // other failure, thrown when the run reaches the block).
    struct Block {
        std::size_t count = 0;
        bool more = true;
        std::optional<base::RuntimeError> readError;
        std::exception_ptr fatal;
    };

    static Block Read(store::TableCursor& cursor, std::vector<std::vector<store::Value>>& rows) {
        Block b;
        try {
            while (b.count < rows.size() && (b.more = cursor.Next(rows[b.count])))
                MakeReadable(cursor.Fields(), rows[b.count++]);
        } catch (const base::RuntimeError& e) {
            b.readError = e;
            b.more = false;
        } catch (...) {
            b.fatal = std::current_exception();
            b.more = false;
        }
        return b;
    }

    template <typename Emit>
    void ConvertShare(std::size_t k, std::vector<std::vector<store::Value>>& rows, std::size_t from, std::size_t to,
                      Emit& emit) {
        Share& share = shares_[k];
        share.failures.clear();
        share.error = nullptr;
        share.text.clear();
        share.gridFallbacks = 0;
        try {
            store::ParamReadScope scope;
            for (std::size_t i = from; i < to; ++i) {
                const Share::Failure* failure = nullptr;
                try {
                    converters_[k].Convert(rows[i], results_[k].r1, results_[k].r2);
                    results_[k].pivot = converters_[k].Pivot();
                    results_[k].height = converters_[k].Height();
                    const core::DatumLegs& legs = converters_[k].Legs();
                    results_[k].method = core::UsedMethod(converters_[k].Method(), legs);
                    if (legs.fallback) ++share.gridFallbacks;
                } catch (const base::RuntimeError& e) {
                    if (e.number == base::err::OutOfMemory) throw;  // the run's trouble, not the record's
                    share.failures.push_back({i, e.number, e.what()});
                    if (!keepGoing_) return;
                    failure = &share.failures.back();
                }
                emit(share, i, rows[i], results_[k], failure);
            }
        } catch (...) {
            share.error = std::current_exception();
        }
    }

    bool keepGoing_;
    int threads_;
    bool readAhead_;
    base::Workers workers_;
    std::vector<RecordConverter> converters_;
    std::vector<RecordResult> results_;
    std::vector<Share> shares_;
};

// A converted record's output fields as database values, rounded as chosen.
void AppendOutputValues(const RecordConverter& converter, const Coordinates& r1, const Coordinates& r2,
                        OutputPrecision precision, std::vector<store::Value>& values) {
    for (const auto& [kind, r] : {std::pair{converter.Out().kind, &r1}, std::pair{converter.Out2().kind, &r2}}) {
        const std::size_t first = values.size();
        AppendCoordinateValues(kind, *r, values);
        RoundCoordinateValues(kind, precision, values, first);
    }
}

// Delimited fields appended to a line: every field enclosed when quoting is
// on, and any field that would otherwise not split back into the right fields.
class LineFields {
public:
    LineFields(char delimiter, bool quote)
        : d_(delimiter), quote_(quote), special_(std::string("\"\r\n") + delimiter) {}

    void Put(std::string& line, std::string_view field, bool first) const {
        if (!first) line += d_;
        if (quote_ || field.find_first_of(special_) != std::string_view::npos) AppendQuoted(line, field);
        else line += field;
    }

private:
    char d_;
    bool quote_;
    std::string special_;
};

// The input table open for one forward pass, with its record count for the
// progress. The cursor is declared last so that it closes before its database.
struct InputTable {
    store::Database db;
    long total;
    std::unique_ptr<store::TableCursor> cursor;
};

InputTable OpenInput(const BatchChoices& c, const InputSource& source) {
    store::Database db = store::OpenDatabase(source.database, source.OpenConnect());
    // A workbook's sheet is parsed once, for its count and its rows alike.
    auto cursor = db.OpenForwardOnly(c.table);
    const long known = cursor->Count();
    const long total = known >= 0 ? known : CountRecords(db, c.table);
    return InputTable{std::move(db), total, std::move(cursor)};
}

BatchReport TextRun(const BatchChoices& c, const InputSource& source,
                    const std::function<void(const BatchProgress&)>& progress) {
    InputTable input = OpenInput(c, source);
    auto& cursor = input.cursor;
    const long total = input.total;
    RecordConverter converter(c, cursor->Fields());

    PendingFile pending(c.outputPath);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(pending.Path().c_str(), "wb"), std::fclose);
    if (!file) throw BatchFailure(base::err::FileAccess, c.outputPath + " : " + base::SystemText(errno), 0);
    // Blocks of lines are written whole: the stream needs no buffer of its own.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    const auto write = [&](std::string_view text) {
        if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
            throw base::RuntimeError(base::err::FileAccess,
                                     std::string("écriture impossible : ") + base::SystemText(errno));
    };
    // Excel reads a file as UTF-8 only when it starts with the byte order mark.
    if (c.excelText && std::fputs("\xEF\xBB\xBF", file.get()) < 0)
        throw BatchFailure(base::err::FileAccess, c.outputPath + " : " + base::SystemText(errno), 0);

    const LineFields line(c.excelText ? ';' : DelimiterChar(c.delimiter), c.quote);
    std::string header;
    bool firstName = true;
    for (const auto& f : OutputTableFields(cursor->Fields(), converter.Out(), converter.Out2(), c)) {
        line.Put(header, c.excelText ? ExcelSafeText(f.Name) : f.Name, firstName);
        firstName = false;
    }
    header += '\n';
    write(header);

    const SystemKind out1 = converter.Out().kind, out2 = converter.Out2().kind;
    const int outputCount = CoordinateCount(out1) + CoordinateCount(out2);
    // Texts as written today unless rounded or written for Excel: then from
    // the values a database would hold.
    const bool asValues = c.excelText || c.precision != OutputPrecision::Full;
    BlockRun run(c, converter);
    const BatchReport report = run.Run(
        *cursor, total, progress,
        [&](Share& share, std::size_t, const std::vector<store::Value>& row, const RecordResult& r,
            const Share::Failure* failure) {
            std::string& text = share.text;
            bool first = true;
            const auto put = [&](std::string_view field) {
                line.Put(text, field, first);
                first = false;
            };
            const auto putValue = [&](const store::Value& v) {
                if (c.excelText)
                    put(v.GetKind() == store::Value::Kind::Text ? ExcelSafeText(DecimalCommaText(v))
                                                                : DecimalCommaText(v));
                else if (const std::string* t = v.IfText()) put(*t);
                else put(v.Text());
            };
            for (const auto& v : row) putValue(v);
            if (failure) {
                for (int k = 0; k < outputCount + (converter.HasHeight() ? 1 : 0); ++k) put({});
            } else if (asValues) {
                share.values.clear();
                AppendOutputValues(converter, r.r1, r.r2, c.precision, share.values);
                if (converter.HasHeight()) share.values.emplace_back(r.height);
                for (const auto& v : share.values) putValue(v);
            } else {
                WriteCoordinateTexts(out1, r.r1, put);
                WriteCoordinateTexts(out2, r.r2, put);
                if (converter.HasHeight()) {
                    char number[core::MaxGeneralLength];
                    put(std::string_view(number, core::FormatGeneralTo(r.height, number)));
                }
            }
            if (c.methodColumn) put(failure ? std::string_view() : MethodName(r.method));
            if (c.keepGoing) put(failure ? failure->Reason() : std::string());
            text += '\n';
        },
        [&](const Share& share, const std::vector<std::vector<store::Value>>&, std::size_t, std::size_t) {
            write(share.text);
        });
    const long done = report.converted + report.failed;
    std::FILE* raw = file.release();
    if (std::fflush(raw) != 0 || std::ferror(raw) || ::fsync(::fileno(raw)) != 0) {
        const int saved = errno;
        std::fclose(raw);
        throw BatchFailure(base::err::FileAccess, std::string("écriture impossible : ") + base::SystemText(saved),
                           done);
    }
    if (std::fclose(raw) != 0) throw BatchFailure(base::err::FileAccess, base::SystemText(errno), done);
    pending.Commit(c.overwrite);
    return report;
}

// Appends a record's output values to its row, Null where it failed, and
// in a keep-going run its reason (Null where it did not).
auto AppendToRow(const BatchChoices& c, const RecordConverter& converter) {
    const std::size_t outputCount =
        std::size_t(CoordinateCount(converter.Out().kind) + CoordinateCount(converter.Out2().kind) +
                    (converter.HasHeight() ? 1 : 0));
    return [&c, &converter, outputCount](std::vector<store::Value>& row, const RecordResult& r,
                                         const Share::Failure* failure) {
        if (failure) {
            row.resize(row.size() + outputCount + (c.methodColumn ? 1 : 0));  // Null
        } else {
            AppendOutputValues(converter, r.r1, r.r2, c.precision, row);
            if (converter.HasHeight()) row.emplace_back(r.height);
            if (c.methodColumn) row.emplace_back(std::string(MethodName(r.method)));
        }
        // Null, not an empty text, for a good record: a query for the failed
        // ones is then "Erreur IS NOT NULL", as for any other absent value.
        if (c.keepGoing && failure) row.emplace_back(base::FirstCharacters(failure->Reason(), ErrorColumnSize));
        else if (c.keepGoing) row.emplace_back();
    };
}

// Links the input table into the output database as "Connection".
void ConnectOutput(store::Database& db, const InputSource& source, const std::string& table) {
    store::TableDef link = db.CreateTableDef(LinkTable);
    link.Connect = source.LinkConnect();
    link.SourceTableName = table;
    db.TableDefs().Append(link);
}

BatchReport DatabaseRun(const BatchChoices& c, const InputSource& source,
                        const std::function<void(const BatchProgress&)>& progress) {
    long total = 0;
    {
        store::Database input = store::OpenDatabase(source.database, source.OpenConnect());
        total = CountRecords(input, c.table);
    }
    PendingFile pending(c.outputPath);
    BatchReport report;
    {
        store::Database db = store::CreateDatabase(pending.Path(), store::dbLangGeneral);
        ConnectOutput(db, source, c.table);

        auto cursor = db.OpenForwardOnly(LinkTable);
        RecordConverter converter(c, cursor->Fields());
        store::TableDef out = db.CreateTableDef(OutputTable);
        for (const auto& f : OutputTableFields(cursor->Fields(), converter.Out(), converter.Out2(), c)) out.Append(f);
        db.TableDefs().Append(out);

        db.Execute("BEGIN");
        {
            // Prepared once for every record.
            store::Statement insert(db, InsertStatement(OutputTable, out.Fields.size()));
            const auto append = AppendToRow(c, converter);
            BlockRun run(c, converter);
            report = run.Run(
                *cursor, total, progress,
                [&](Share&, std::size_t, std::vector<store::Value>& row, const RecordResult& r,
                    const Share::Failure* failure) { append(row, r, failure); },
                [&](const Share&, const std::vector<std::vector<store::Value>>& rows, std::size_t from,
                    std::size_t to) {
                    for (std::size_t i = from; i < to; ++i) insert.Run(rows[i]);
                });
        }
        db.Execute("COMMIT");
        cursor.reset();
        db.TableDefs().Delete(LinkTable);
        db.Close();
    }
    pending.Commit(c.overwrite);
    return report;
}

// A GeoPackage or a workbook, from the source table straight to the sink.
BatchReport SinkRun(const BatchChoices& c, const InputSource& source, OutputKind kind,
                    const std::function<void(const BatchProgress&)>& progress) {
    InputTable input = OpenInput(c, source);
    auto& cursor = input.cursor;
    const long total = input.total;
    RecordConverter converter(c, cursor->Fields());

    PendingFile pending(c.outputPath);
    std::unique_ptr<OutputSink> sink = MakeSink(kind, pending.Path());
    sink->Begin(OutputTableFields(cursor->Fields(), converter.Out(), converter.Out2(), c));
    const auto append = AppendToRow(c, converter);
    std::vector<std::optional<LonLat>> points(BlockRun::BlockRecords);
    BlockRun run(c, converter);
    BatchReport report = run.Run(
        *cursor, total, progress,
        [&](Share&, std::size_t i, std::vector<store::Value>& row, const RecordResult& r,
            const Share::Failure* failure) {
            append(row, r, failure);
            points[i] = failure ? std::nullopt : std::optional<LonLat>(Wgs84Degrees(r.pivot));
        },
        [&](const Share&, const std::vector<std::vector<store::Value>>& rows, std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) sink->Add(rows[i], points[i]);
        });
    const long done = report.converted + report.failed;
    try {
        sink->Finish();
    } catch (const base::RuntimeError& e) {
        throw BatchFailure(e.number, e.what(), done);
    }
    if (std::string notice = sink->Notice(); !notice.empty()) report.notices.push_back(std::move(notice));
    sink.reset();
    pending.Commit(c.overwrite);
    return report;
}

}  // namespace

store::Database OpenInputDatabase(const std::string& inputPath) {
    const InputSource source = InputSourceOf(inputPath);
    return store::OpenDatabase(source.database, source.OpenConnect());
}

std::vector<std::string> OutputColumns(const SystemChoice& output, bool second) {
    const std::string& b = output.fieldBase;
    switch (output.kind) {
    case SystemKind::Projected: return {"X_" + b, "Y_" + b};
    case SystemKind::Geographic: return {b.substr(0, 2) + "_Long", b.substr(0, 2) + "_Lat"};
    case SystemKind::Utm: return {"E_" + b, "N_" + b, second ? "Fuseau_2" : "Fuseau"};
    case SystemKind::Mgrs:
    case SystemKind::Ifbl: return {b};
    default: return {};
    }
}

// Errors of a file as a whole (missing, unreadable, not writable, full):
// nothing in the data to check.
bool IsFileProblem(int number) {
    switch (number) {
    case base::err::OutOfMemory:
    case base::err::NoSuchFile:
    case base::err::FileRead:
    case base::err::FileAccess:
    case base::err::FileNotFound:
    case base::err::ReadOnly:
    case base::err::CannotOpen:
    case base::err::NotAFile:
    case base::err::NoDriver:
    case base::err::DatabaseExists:
    case base::err::Locked:
    case base::err::UnreadableFile:
    case base::err::BadFormat: return true;
    default: return false;
    }
}

std::string BatchFailure::Message() const {
    if (IsFileProblem(number))
        return "La conversion n'a pas pu se faire :\r" + std::to_string(number) + " " + PendingTargetsIn(what());
    std::string text = std::string(FailureText) + "\r";
    if (record > 0) text += "Enregistrement " + std::to_string(record) + " : ";
    return text + std::to_string(number) + " " + PendingTargetsIn(what());
}

std::string BatchReport::Summary() const {
    return "Conversion terminée : " + std::to_string(converted) + " enregistrement(s) converti(s), " +
           std::to_string(failed) + " en échec (colonne « Erreur »).";
}

BatchReport RunBatch(const BatchChoices& choices, const std::function<void(const BatchProgress&)>& progress) {
    // Each path is told once, and every step of the run goes by that.
    const InputSource source = InputSourceOf(choices.inputPath);
    const OutputKind kind = OutputKindOf(choices.outputPath);
    if (const auto refusal = CheckChoices(choices, source, kind))
        throw BatchFailure(base::err::InvalidCall, *refusal, 0);
    try {
        // Paths GDAL would take for its virtual files ("/vsistdout/") name no
        // file here: refused as such rather than as a missing folder.
        if (kind == OutputKind::GeoPackage || kind == OutputKind::Workbook) store::RealFilePath(choices.outputPath);
        if (const auto refusal = FolderRefusal(choices.outputPath))
            throw BatchFailure(base::err::FileAccess, *refusal, 0);
        BatchReport report = kind == OutputKind::Database ? DatabaseRun(choices, source, progress)
                             : kind == OutputKind::Text   ? TextRun(choices, source, progress)
                                                          : SinkRun(choices, source, kind, progress);
        if (report.gridFallbacks > 0) report.notices.push_back(GridFallbackNotice(report.gridFallbacks));
        return report;
    } catch (const BatchFailure&) {
        throw;
    } catch (const base::RuntimeError& e) {
        throw BatchFailure(e.number, e.what(), 0);
    } catch (const fs::filesystem_error& e) {
        throw BatchFailure(base::err::FileAccess, base::SystemText(e.code(), e.path1().string()), 0);
    } catch (const std::bad_alloc&) {
        throw BatchFailure(base::err::OutOfMemory, base::OutOfMemoryText, 0);
    }
}

}  // namespace batch
