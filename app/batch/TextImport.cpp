// Delimited text into a scratch table: one text column of 50 characters per
// field of the first line, every later line a record.
//
// Fields follow the usual delimited-text conventions: a field that opens
// with a double quote runs to its closing quote (delimiters and line breaks
// inside it belong to it, a doubled quote stands for one), lines end in
// CR LF, CR or LF, and empty lines are skipped. Text is UTF-8 where it is
// valid UTF-8 and Windows-1252 otherwise.

#include "app/batch/TextImport.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "base/SystemText.h"
#include "core/StrictText.h"
#include "store/Engine.h"
#include "store/Statement.h"
#include "base/TextCodec.h"
#include "base/Utf8.h"
#include "app/batch/PendingFile.h"
#include "app/batch/Quoted.h"

namespace batch {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t FieldSize = 50;       // characters of each column
constexpr std::size_t HeaderNameSize = 25;  // characters kept of a header name
constexpr std::size_t BlockSize = 1 << 16;
// Far beyond any 50-character field even with blanks around it: lets a
// damaged file (a 10 MB line) fail at once instead of filling memory.
constexpr std::size_t MaxRawField = 4096;
constexpr long ProgressEvery = 10;
constexpr int GuessLines = 20;  // lines the delimiter is guessed from
// The most fields a table holds; a longer first line is refused before any
// column is made, however long it is.
constexpr std::size_t MaxColumns = 255;

TextImportError Failure(int number, const std::string& description) { return TextImportError(number, description); }

TextImportError FieldTooLong(long line) {
    return Failure(base::err::FieldTooSmall, "Un champ de la ligne " + std::to_string(line) + " dépasse " +
                                                 std::to_string(FieldSize) + " caractères.");
}

// Reads the file block by block and hands out one line's fields at a time,
// as views into a buffer reused from line to line: nothing is allocated per
// field. Unquoted text is taken in runs up to the next delimiter or line end,
// quoted text in runs up to the next quote.
class DelimitedReader {
public:
    DelimitedReader(const std::string& path, char delimiter) : in_(path, std::ios::binary), delimiter_(delimiter) {
        if (!in_) throw Failure(base::err::NoSuchFile, "Fichier introuvable : " + path);
        stops_[static_cast<unsigned char>(delimiter)] = stops_['\r'] = stops_['\n'] = true;
        Fill();
        static constexpr char Bom[] = "\xEF\xBB\xBF";
        if (buffer_.compare(0, 3, Bom) == 0) pos_ = 3;
    }

    long LineNumber() const { return line_; }

    // The next non-empty line's fields, raw (quotes resolved, not trimmed),
    // valid until the next call; false at the end of the file.
    bool Contenu(std::vector<std::string_view>& fields) {
        fields.clear();
        for (;;) {
            if (!More()) return false;
            ++line_;
            if (!AtLineEnd()) break;
            SkipLineEnd();  // an empty line
        }
        text_.clear();
        ends_.clear();
        for (;;) {
            Champ();
            ends_.push_back(text_.size());
            if (!More()) break;
            if (buffer_[pos_] == delimiter_) {
                ++pos_;
                continue;
            }
            SkipLineEnd();
            break;
        }
        std::size_t begin = 0;
        for (const std::size_t end : ends_) {
            fields.emplace_back(text_.data() + begin, end - begin);
            begin = end;
        }
        return true;
    }

private:
    bool More() {
        if (pos_ < buffer_.size()) return true;
        Fill();
        return pos_ < buffer_.size();
    }

    void Fill() {
        buffer_.erase(0, pos_);
        pos_ = 0;
        if (in_.eof()) return;
        const std::size_t had = buffer_.size();
        buffer_.resize(had + BlockSize);
        in_.read(buffer_.data() + had, std::streamsize(BlockSize));
        buffer_.resize(had + std::size_t(in_.gcount()));
        if (in_.bad()) throw Failure(base::err::FileRead, "Erreur de lecture du fichier.");
    }

    bool AtLineEnd() { return buffer_[pos_] == '\r' || buffer_[pos_] == '\n'; }

    void SkipLineEnd() {
        if (buffer_[pos_++] == '\r' && More() && buffer_[pos_] == '\n') ++pos_;
    }

    // Adds buffer_[pos_, pos_ + n) to the field that began at text_[start].
    void Take(std::size_t start, std::size_t n) {
        if (text_.size() - start + n > MaxRawField) throw FieldTooLong(line_);
        text_.append(buffer_, pos_, n);
        pos_ += n;
    }

    // Line breaks inside quotes still count as lines: an LF, or a CR not
    // followed by one.
    void CountBreaks(const char* p, const char* end, const char* bufferEnd) {
        for (; p != end; ++p)
            if (*p == '\n' || (*p == '\r' && (p + 1 == bufferEnd || p[1] != '\n'))) ++line_;
    }

    // The next field of the line, raw, appended to text_; the delimiter or
    // line end after it is left unread.
    void Champ() {
        const std::size_t start = text_.size();
        // Blanks before an opening quote do not stop it from quoting.
        while (More() && buffer_[pos_] == ' ') {
            std::size_t n = 1;
            while (pos_ + n < buffer_.size() && buffer_[pos_ + n] == ' ') ++n;
            Take(start, n);
        }
        if (More() && buffer_[pos_] == '"') {
            text_.resize(start);
            ++pos_;
            while (More()) {  // unclosed at the end of the file: what was read
                const char* from = buffer_.data() + pos_;
                const char* end = buffer_.data() + buffer_.size();
                const char* quote = static_cast<const char*>(std::memchr(from, '"', std::size_t(end - from)));
                const char* stop = quote ? quote : end;
                // A CR ending the block waits for the next: an LF may follow it.
                if (!quote && stop[-1] == '\r' && !in_.eof()) {
                    if (stop - from == 1) {
                        Fill();
                        continue;
                    }
                    --stop;
                }
                const std::size_t n = std::size_t(stop - from);
                const std::size_t room = MaxRawField - (text_.size() - start);
                CountBreaks(from, n > room ? from + room + 1 : stop, end);
                Take(start, n);
                if (!quote) continue;
                ++pos_;  // the quote
                if (!(More() && buffer_[pos_] == '"')) break;
                Take(start, 1);  // a doubled quote stands for one
            }
        }
        // Up to the delimiter or the line end; text after a closing quote is kept.
        while (More()) {
            std::size_t end = pos_;
            while (end < buffer_.size() && !stops_[static_cast<unsigned char>(buffer_[end])]) ++end;
            Take(start, end - pos_);
            if (end < buffer_.size()) return;
        }
    }

    std::ifstream in_;
    char delimiter_;
    std::array<bool, 256> stops_{};  // the characters that end an unquoted field
    std::string buffer_;
    std::size_t pos_ = 0;
    long line_ = 0;
    std::string text_;               // the line's fields back to back
    std::vector<std::size_t> ends_;  // where each field ends in text_
};

// A raw field as stored: trimmed, and decoded from Windows-1252 when it is
// not UTF-8 into `decoded`, which the result may then point into.
class FieldText {
public:
    std::string_view operator()(std::string_view raw, std::string& decoded) {
        if (base::ValidUtf8(raw)) return base::Trim(raw);
        decoded = cp1252_.ToUtf8(raw);
        return base::Trim(decoded);
    }
    std::string operator()(std::string_view raw) {
        std::string decoded;
        return std::string((*this)(raw, decoded));
    }

private:
    base::TextDecoder cp1252_{"CP1252"};
};

// The table's column names from the first line's fields: with the header
// option its trimmed texts, cut to 25 characters, an empty or repeated one
// named by its position (F1, F2..., as the workbook drivers name theirs);
// otherwise Champ1, Champ2...
std::vector<std::string> ColumnNames(const std::vector<std::string_view>& first, bool header, FieldText& text) {
    std::vector<std::string> names;
    const std::size_t columns = std::max<std::size_t>(first.size(), 1);
    const auto taken = [&](const std::string& name) {
        for (const auto& n : names)
            if (store::SameText(n, name)) return true;
        return false;
    };
    for (std::size_t k = 0; k < columns; ++k) {
        if (!header) {
            names.push_back("Champ" + std::to_string(k + 1));
            continue;
        }
        std::string name = base::FirstCharacters(k < first.size() ? text(first[k]) : std::string(), HeaderNameSize);
        if (name.empty() || taken(name)) name = "F" + std::to_string(k + 1);
        for (int n = 2; taken(name); ++n) name = "F" + std::to_string(k + 1) + "_" + std::to_string(n);
        names.push_back(std::move(name));
    }
    return names;
}

ImportedTable Import(const std::string& textPath, const TextImportOptions& options,
                     const std::function<void(long)>& progress, const std::string& building) {
    const char delimiter = options.delimiter[0];
    DelimitedReader reader(textPath, delimiter);
    FieldText text;
    std::vector<std::string_view> raw;
    const bool any = reader.Contenu(raw);

    if (any && raw.size() > MaxColumns)
        throw Failure(base::err::FieldTooSmall, "La ligne 1 compte " + std::to_string(raw.size()) +
                                                    " champs ; une table en accepte " + std::to_string(MaxColumns) +
                                                    " au plus.");

    ImportedTable result{ScratchDatabasePath(textPath), ImportedTableName(textPath), 0};
    store::Database db = store::CreateDatabase(building, store::dbLangGeneral);
    store::TableDef def = db.CreateTableDef(result.tableName);
    const std::size_t columns = any ? raw.size() : 1;
    for (const std::string& name : ColumnNames(raw, options.header, text))
        def.Append(def.CreateField(name, store::dbText, int(FieldSize)));
    db.TableDefs().Append(def);

    db.Execute("BEGIN");
    {
        store::Statement insert(db, InsertStatement(result.tableName, columns));
        std::vector<std::string_view> values(columns);
        std::vector<std::string> decoded(columns);
        std::string spare;
        // Without a header the first line is already the first record.
        bool have = any && (!options.header || reader.Contenu(raw));
        for (; have; have = reader.Contenu(raw)) {
            // Fields beyond the first line's would be lost; empty ones (a
            // trailing delimiter) hold nothing to lose.
            for (std::size_t k = columns; k < raw.size(); ++k)
                if (!text(raw[k], spare).empty())
                    throw Failure(base::err::FieldTooSmall, "La ligne " + std::to_string(reader.LineNumber()) +
                                                                " compte " + std::to_string(raw.size()) +
                                                                " champs, la première " + std::to_string(columns) +
                                                                ".");
            for (std::size_t k = 0; k < columns; ++k) {
                const std::string_view value = k < raw.size() ? text(raw[k], decoded[k]) : std::string_view();
                // No more characters than bytes: only a long text needs counting.
                if (value.size() > FieldSize && base::CharacterCount(value) > FieldSize)
                    throw FieldTooLong(reader.LineNumber());
                values[k] = value.empty() ? std::string_view(" ") : value;
            }
            insert.Run(values);
            ++result.records;
            if (progress && result.records % ProgressEvery == 0) progress(result.records);
        }
    }
    db.Execute("COMMIT");
    db.Close();
    return result;
}

}  // namespace

std::string ScratchDatabasePath(const std::string& textPath) {
    const std::string beside = textPath.substr(0, textPath.size() >= 3 ? textPath.size() - 3 : 0) + "_travena.mdb";
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(textPath), ec).parent_path();
    // A folder that cannot be written (a CD, a read-only share): the temporary
    // folder, under a name that tells apart files of one title in two folders.
    if (ec || !fs::is_directory(folder, ec) || ::access(folder.c_str(), W_OK) == 0) return beside;
    const std::string title = fs::path(beside).filename().string();
    const std::size_t key = std::hash<std::string>{}(folder.string());
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016zx", key);
    return (fs::temp_directory_path(ec) / ("travena-" + std::to_string(::getuid()) + "-" + hex + "-" + title)).string();
}

bool ScratchIsTemporary(const std::string& textPath) {
    const std::string scratch = ScratchDatabasePath(textPath);
    return scratch != textPath.substr(0, textPath.size() >= 3 ? textPath.size() - 3 : 0) + "_travena.mdb";
}

void RemoveTemporaryScratch(const std::string& textPath) {
    if (!ScratchIsTemporary(textPath)) return;
    std::error_code ec;
    fs::remove(ScratchDatabasePath(textPath), ec);
}

TextLayout GuessTextLayout(const std::string& textPath) {
    TextLayout best;
    std::size_t bestScore = 0, bestFields = 0;
    try {
        for (const char candidate : {'\t', ';', ',', '|'}) {
            DelimitedReader reader(textPath, candidate);
            std::vector<std::string_view> fields;
            std::size_t first = 0, score = 0;
            for (int line = 0; line < GuessLines && reader.Contenu(fields); ++line) {
                if (line == 0) first = fields.size();
                score += fields.size() == first;
            }
            // One field a line splits nothing; the delimiter giving the most
            // lines of the first line's count wins, the earlier on a tie.
            if (first < 2 || score < bestScore || (score == bestScore && first <= bestFields)) continue;
            bestScore = score;
            bestFields = first;
            best.delimiter = std::string(1, candidate);
        }
        DelimitedReader reader(textPath, best.delimiter[0]);
        std::vector<std::string_view> fields;
        if (reader.Contenu(fields)) {
            // A first line holding a number is data.
            FieldText text;
            best.header = true;
            for (const auto field : fields) {
                std::string value = text(field);
                for (char& c : value)
                    if (c == ',') c = '.';
                if (!value.empty() && core::IsPlainNumber(value)) best.header = false;
            }
        }
    } catch (const std::exception&) {
        return {};  // the import names what is wrong with the file
    }
    return best;
}

TextPreview PreviewText(const std::string& textPath, const TextImportOptions& options, std::size_t lines) {
    TextPreview preview;
    const char delimiter = options.delimiter.size() == 1 ? options.delimiter[0] : '\0';
    try {
        DelimitedReader reader(textPath, delimiter);
        FieldText text;
        std::vector<std::string_view> fields;
        if (!reader.Contenu(fields)) return preview;
        preview.names = ColumnNames(fields, options.header, text);
        // Without a header the first line is already the first record.
        bool more = !options.header || reader.Contenu(fields);
        while (more) {
            auto& row = preview.rows.emplace_back();
            for (const auto field : fields) row.push_back(text(field));
            more = preview.rows.size() < lines && reader.Contenu(fields);
        }
    } catch (const std::exception& e) {
        preview.error = e.what();
    }
    return preview;
}

std::string ImportedTableName(const std::string& textPath) {
    const std::string title = std::filesystem::path(textPath).filename().string();
    std::string name = title.substr(0, title.size() >= 4 ? title.size() - 4 : 0);
    // Characters a table name cannot hold ("pts.2024.txt" gives "pts_2024").
    for (char& c : name)
        if (c == '.' || c == '!' || c == '[' || c == ']' || c == '`' || c == '"') c = '_';
    return name;
}

std::string TextImportError::Message() const {
    return "Erreur dans la lecture du fichier texte. Vérifiez ce fichier\r" + std::to_string(number) + " " + what();
}

ImportedTable ImportText(const std::string& textPath, const TextImportOptions& options,
                         const std::function<void(long)>& progress) {
    const std::string& d = options.delimiter;
    if (d.size() != 1 || d[0] == '"' || d[0] == '\r' || d[0] == '\n')
        throw Failure(base::err::InvalidCall, "Le délimiteur doit être un seul caractère, autre qu'un guillemet.");
    if (!std::filesystem::is_regular_file(textPath))
        throw Failure(base::err::NoSuchFile, "Fichier introuvable : " + textPath);

    // Built apart and put in place only when complete, so a failed import
    // leaves neither a half-made table nor the previous one half-replaced.
    try {
        PendingFile pending(ScratchDatabasePath(textPath));
        ImportedTable table = Import(textPath, options, progress, pending.Path());
        pending.Commit(true);
        return table;
    } catch (const TextImportError&) {
        throw;
    } catch (const base::RuntimeError& e) {
        throw Failure(e.number, e.what());
    } catch (const std::filesystem::filesystem_error& e) {
        throw Failure(base::err::FileRead, base::SystemText(e.code(), e.path1().string()));
    } catch (const std::bad_alloc&) {
        throw Failure(base::err::OutOfMemory, base::OutOfMemoryText);
    }
}

}  // namespace batch
