// Delimited text into a scratch table: one text column of 50 characters per
// field of the first line, every later line a record.
//
// Fields follow the usual delimited-text conventions: a field that opens
// with a double quote runs to its closing quote (delimiters and line breaks
// inside it belong to it, a doubled quote stands for one), lines end in
// CR LF, CR or LF, and empty lines are skipped. Text is UTF-8 where it is
// valid UTF-8 and Windows-1252 otherwise.

#include "app/batch/TextImport.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "base/SystemText.h"
#include "store/Engine.h"
#include "base/TextCodec.h"
#include "base/Utf8.h"
#include "app/batch/PendingFile.h"
#include "app/batch/Quoted.h"

namespace batch {

namespace {

constexpr std::size_t FieldSize = 50;      // characters of each column
constexpr std::size_t HeaderNameSize = 25;  // characters kept of a header name
constexpr std::size_t BlockSize = 1 << 16;
// Far beyond any 50-character field even with blanks around it: lets a
// damaged file (a 10 MB line) fail at once instead of filling memory.
constexpr std::size_t MaxRawField = 4096;
constexpr long ProgressEvery = 10;
// The most fields a table holds; a longer first line is refused before any
// column is made, however long it is.
constexpr std::size_t MaxColumns = 255;

TextImportError Failure(int number, const std::string& description) { return TextImportError(number, description); }

TextImportError FieldTooLong(long line) {
    return Failure(base::err::FieldTooSmall, "Un champ de la ligne " + std::to_string(line) +
                                                  " dépasse " + std::to_string(FieldSize) + " caractères.");
}

// Reads the file block by block and hands out one line's fields at a time.
class DelimitedReader {
public:
    DelimitedReader(const std::string& path, char delimiter) : in_(path, std::ios::binary), delimiter_(delimiter) {
        if (!in_) throw Failure(base::err::NoSuchFile, "Fichier introuvable : " + path);
        Fill();
        static constexpr char Bom[] = "\xEF\xBB\xBF";
        if (buffer_.compare(0, 3, Bom) == 0) pos_ = 3;
    }

    long LineNumber() const { return line_; }

    // The next non-empty line's fields, raw (quotes resolved, not trimmed);
    // false at the end of the file.
    bool Contenu(std::vector<std::string>& fields) {
        fields.clear();
        for (;;) {
            if (!More()) return false;
            ++line_;
            if (!AtLineEnd()) break;
            SkipLineEnd();  // an empty line
        }
        std::string field;
        for (;;) {
            Champ(field);
            fields.push_back(std::move(field));
            field.clear();
            if (!More()) return true;
            const char c = buffer_[pos_];
            if (c == delimiter_) {
                ++pos_;
                continue;
            }
            SkipLineEnd();
            return true;
        }
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

    void Append(std::string& field, char c) {
        if (field.size() >= MaxRawField) throw FieldTooLong(line_);
        field += c;
    }

    // The next field of the line, raw; the delimiter or line end after it is left unread.
    void Champ(std::string& field) {
        // Blanks before an opening quote do not stop it from quoting.
        while (More() && buffer_[pos_] == ' ') {
            Append(field, ' ');
            ++pos_;
        }
        if (More() && buffer_[pos_] == '"') {
            field.clear();
            ++pos_;
            for (;;) {
                if (!More()) return;  // unclosed at the end of the file: what was read
                const char c = buffer_[pos_++];
                if (c != '"') {
                    if (c == '\n' || (c == '\r' && !(More() && buffer_[pos_] == '\n'))) ++line_;
                    Append(field, c);
                    continue;
                }
                if (More() && buffer_[pos_] == '"') {
                    Append(field, '"');
                    ++pos_;
                    continue;
                }
                break;
            }
        }
        // Up to the delimiter or the line end; text after a closing quote is kept.
        while (More()) {
            const char c = buffer_[pos_];
            if (c == delimiter_ || c == '\r' || c == '\n') return;
            Append(field, c);
            ++pos_;
        }
    }

    std::ifstream in_;
    char delimiter_;
    std::string buffer_;
    std::size_t pos_ = 0;
    long line_ = 0;
};

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

class FieldText {
public:
    std::string operator()(const std::string& raw) {
        return base::ValidUtf8(raw) ? Trimmed(raw) : Trimmed(cp1252_.ToUtf8(raw));
    }

private:
    base::TextDecoder cp1252_{"CP1252"};
};

ImportedTable Import(const std::string& textPath, const TextImportOptions& options,
                     const std::function<void(long)>& progress, const std::string& building) {
    const char delimiter = options.delimiter[0];
    DelimitedReader reader(textPath, delimiter);
    FieldText text;
    std::vector<std::string> raw;
    const bool any = reader.Contenu(raw);

    if (any && raw.size() > MaxColumns)
        throw Failure(base::err::FieldTooSmall, "La ligne 1 compte " + std::to_string(raw.size()) +
                                                    " champs ; une table en accepte " + std::to_string(MaxColumns) +
                                                    " au plus.");

    ImportedTable result{ScratchDatabasePath(textPath), ImportedTableName(textPath), 0};
    store::Database db = store::CreateDatabase(building, store::dbLangGeneral);
    store::TableDef def = db.CreateTableDef(result.tableName);
    const std::size_t columns = any ? raw.size() : 1;
    for (std::size_t k = 0; k < columns; ++k) {
        const std::string name = options.header ? base::FirstCharacters(any ? text(raw[k]) : std::string(), HeaderNameSize)
                                                : "Champ" + std::to_string(k + 1);
        def.Append(def.CreateField(name, store::dbText, int(FieldSize)));
    }
    db.TableDefs().Append(def);

    const std::string insert = InsertStatement(result.tableName, columns);

    db.Execute("BEGIN");
    std::vector<store::Value> values(columns);
    // Without a header the first line is already the first record.
    bool have = any && (!options.header || reader.Contenu(raw));
    for (; have; have = reader.Contenu(raw)) {
        // Fields beyond the first line's would be lost; empty ones (a
        // trailing delimiter) hold nothing to lose.
        for (std::size_t k = columns; k < raw.size(); ++k)
            if (!text(raw[k]).empty())
                throw Failure(base::err::FieldTooSmall, "La ligne " + std::to_string(reader.LineNumber()) + " compte " +
                                                            std::to_string(raw.size()) + " champs, la première " +
                                                            std::to_string(columns) + ".");
        for (std::size_t k = 0; k < columns; ++k) {
            std::string value = k < raw.size() ? text(raw[k]) : std::string();
            if (base::CharacterCount(value) > FieldSize) throw FieldTooLong(reader.LineNumber());
            values[k] = store::Value(value.empty() ? std::string(" ") : std::move(value));
        }
        db.Execute(insert, values);
        ++result.records;
        if (progress && result.records % ProgressEvery == 0) progress(result.records);
    }
    db.Execute("COMMIT");
    db.Close();
    return result;
}

}  // namespace

std::string ScratchDatabasePath(const std::string& textPath) {
    return textPath.substr(0, textPath.size() >= 3 ? textPath.size() - 3 : 0) + "_travena.mdb";
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
    if (!std::filesystem::is_regular_file(textPath)) throw Failure(base::err::NoSuchFile, "Fichier introuvable : " + textPath);

    // Built apart and put in place only when complete, so a failed import
    // leaves neither a half-made table nor the previous one half-replaced.
    PendingFile pending(ScratchDatabasePath(textPath));
    try {
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
