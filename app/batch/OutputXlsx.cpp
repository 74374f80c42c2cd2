// The Excel workbook: one sheet "Conversions", the header row bold and
// frozen, numbers as numeric cells, a date column's dates as date cells. Written here rather than through GDAL's
// XLSX driver, which can neither freeze a row nor style it, and which holds
// the whole sheet until the end; the sheet is streamed a block at a time
// into our own zip writer, which deflates it at zlib's fastest level.

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/batch/Output.h"
#include "app/batch/ReadableValue.h"
#include "app/batch/ZipWriter.h"
#include "base/Errors.h"
#include "base/Utf8.h"
#include "store/Driver.h"

namespace batch {

namespace {

constexpr long MaxRows = 1048576;           // Excel's limit, the header included
constexpr std::size_t MaxCellText = 32767;  // characters Excel keeps in a cell
constexpr std::size_t FlushAt = 1 << 20;
// Excel's day numbers agree with Access's from 01/03/1900 on; before it,
// Excel counts a 29/02/1900 that never was, and before 1900 it has none.
constexpr double FirstExcelDate = 61;
constexpr std::size_t DateOnlyLength = 10;  // "2024-03-15"

constexpr const char* Xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

const std::string ContentTypes =
    std::string(Xml) +
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "</Types>";

const std::string PackageRels = std::string(Xml) +
                                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                "<Relationship Id=\"rId1\" Type=\"" +
                                RelNs +
                                "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                                "</Relationships>";

const std::string WorkbookRels =
    std::string(Xml) +
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"" +
    RelNs +
    "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"" +
    RelNs +
    "/styles\" Target=\"styles.xml\"/>"
    "</Relationships>";

const std::string Workbook = std::string(Xml) + "<workbook xmlns=\"" + MainNs + "\" xmlns:r=\"" + RelNs +
                             "\"><sheets><sheet name=\"" + SinkTable +
                             "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

// Style 1 is the header's bold, 2 a date, 3 a date and time.
enum CellStyle { PlainStyle = 0, HeaderStyle = 1, DateStyle = 2, DateTimeStyle = 3 };
const std::string Styles =
    std::string(Xml) + "<styleSheet xmlns=\"" + MainNs +
    "\">"
    "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"yyyy-mm-dd hh:mm:ss\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"4\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

const std::string SheetStart = std::string(Xml) + "<worksheet xmlns=\"" + MainNs +
                               "\"><sheetViews><sheetView workbookViewId=\"0\">"
                               "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
                               "<selection pane=\"bottomLeft\"/></sheetView></sheetViews><sheetData>";
constexpr const char* SheetEnd = "</sheetData></worksheet>";

// "A", ..., "Z", "AA", ...
std::string ColumnName(std::size_t column) {
    std::string name;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) name.insert(name.begin(), char('A' + (n - 1) % 26));
    return name;
}

// Whether `text` continues with the workbook's own escape "_xHHHH_" (after
// its underscore at `i`), which a spreadsheet would decode.
bool ReadsAsEscape(std::string_view text, std::size_t i) {
    if (text.size() < i + 7 || text[i + 1] != 'x' || text[i + 6] != '_') return false;
    for (std::size_t k = i + 2; k < i + 6; ++k)
        if (!std::isxdigit(static_cast<unsigned char>(text[k]))) return false;
    return true;
}

// A cell's XML text. XML carries tab, line feed, carriage return and every
// character from U+0020 on but U+FFFE and U+FFFF; other control characters
// are written in the workbook's own escape "_xHHHH_" (and an underscore that
// would read as one is escaped itself); U+FFFE, U+FFFF and bytes that are no
// well-formed UTF-8 become U+FFFD. Returns how many were so replaced.
std::size_t AppendXmlText(std::string& out, const std::string& raw) {
    const std::string text = base::FirstCharacters(raw, MaxCellText);
    std::size_t replaced = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = base::WellFormedLength(std::string_view(text).substr(i));
            const bool noncharacter = n == 3 && c == 0xEF && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                                      static_cast<unsigned char>(text[i + 2]) >= 0xBE;
            if (n == 0 || noncharacter) {
                out += "\xEF\xBF\xBD";
                ++replaced;
                i += n == 0 ? 1 : n;
            } else {
                out.append(text, i, n);
                i += n;
            }
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '_': out += ReadsAsEscape(text, i) ? "_x005F_" : "_"; break;
        default:
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                char code[8];
                std::snprintf(code, sizeof code, "_x%04X_", c);
                out += code;
            } else {
                out += char(c);
            }
        }
        ++i;
    }
    return replaced;
}

class WorkbookSink : public OutputSink {
public:
    explicit WorkbookSink(const std::string& path) : zip_(path) {
        zip_.Add("[Content_Types].xml", ContentTypes);
        zip_.Add("_rels/.rels", PackageRels);
        zip_.Add("xl/workbook.xml", Workbook);
        zip_.Add("xl/_rels/workbook.xml.rels", WorkbookRels);
        zip_.Add("xl/styles.xml", Styles);
        zip_.Open("xl/worksheets/sheet1.xml");
        block_ = SheetStart;
    }

    void Begin(const std::vector<store::FieldDef>& fields) override {
        OpenRow();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            columns_.push_back(ColumnName(i));
            block_ += "<c r=\"" + columns_.back() + "1\" s=\"1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">";
            Replaced(AppendXmlText(block_, fields[i].Name), fields[i].Name);
            names_.push_back(fields[i].Name);
            dates_.push_back(fields[i].Type == store::dbDate);
            block_ += "</t></is></c>";
        }
        CloseRow();
    }

    void Add(const std::vector<store::Value>& values, const std::optional<LonLat>&) override {
        if (row_ >= MaxRows)
            throw base::RuntimeError(base::err::Overflow, "un classeur Excel ne peut contenir plus de " +
                                                              std::to_string(MaxRows - 1) + " enregistrements.");
        OpenRow();
        for (std::size_t i = 0; i < values.size(); ++i) {
            const store::Value& v = values[i];
            if (v.IsNull()) continue;
            std::string text = v.Text();
            OpenCell(i);
            // A text read as a number by the conversion is one here too, its
            // decimal comma included.
            const bool isText = v.GetKind() == store::Value::Kind::Text;
            if (const auto serial = DateCell(i, v)) {
                block_ += text.size() > DateOnlyLength ? "\" s=\"3\"><v>" : "\" s=\"2\"><v>";
                block_ += store::DoubleText(*serial);
                block_ += "</v></c>";
                continue;
            }
            std::string number = text;
            if (isText) std::replace(number.begin(), number.end(), ',', '.');
            if (isText ? SpellsNumber(number) : FiniteText(text)) {
                block_ += "\"><v>";
                block_ += number;
                block_ += "</v></c>";
            } else {
                block_ += "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">";
                Replaced(AppendXmlText(block_, text), i < names_.size() ? names_[i] : std::string());
                block_ += "</t></is></c>";
            }
        }
        CloseRow();
        if (block_.size() >= FlushAt) Flush();
    }

    void Finish() override {
        block_ += SheetEnd;
        Flush();
        zip_.Finish();
    }

    std::string Notice() const override {
        if (replaced_ == 0) return {};
        return std::to_string(replaced_) +
               " caractère(s) qu'un classeur ne peut pas contenir (U+FFFE, U+FFFF, "
               "octets qui ne sont pas de l'UTF-8) remplacé(s) par « \xEF\xBF\xBD », le premier " +
               firstReplaced_ + ".";
    }

private:
    // Counts what a cell's text lost, and says where it first happened.
    void Replaced(std::size_t count, const std::string& column) {
        if (count == 0) return;
        if (replaced_ == 0)
            firstReplaced_ = row_ == 1
                                 ? "dans le nom d'une colonne"
                                 : "dans l'enregistrement " + std::to_string(row_ - 1) + ", champ « " + column + " »";
        replaced_ += count;
    }

    // The day number a date column's text is written as, when Excel has it.
    std::optional<double> DateCell(std::size_t column, const store::Value& v) const {
        const std::string* text = v.IfText();
        if (column >= dates_.size() || !dates_[column] || !text) return std::nullopt;
        const auto serial = DateSerial(*text);
        if (!serial || *serial < FirstExcelDate) return std::nullopt;
        return serial;
    }

    static bool FiniteText(const std::string& text) {
        return text.find_first_of("nN") == std::string::npos;  // "nan", "inf"
    }

    void OpenRow() {
        rowText_ = std::to_string(++row_);
        block_ += "<row r=\"";
        block_ += rowText_;
        block_ += "\">";
    }
    void CloseRow() { block_ += "</row>"; }
    // `<c r="B7`, the attributes and the value to follow.
    void OpenCell(std::size_t column) {
        block_ += "<c r=\"";
        block_ += column < columns_.size() ? columns_[column] : ColumnName(column);
        block_ += rowText_;
    }

    void Flush() {
        zip_.Write(block_);
        block_.clear();
    }

    ZipWriter zip_;
    std::string block_;
    long row_ = 0;
    std::string rowText_;               // row_ as written
    std::vector<std::string> columns_;  // "A", "B", ...
    std::vector<std::string> names_;
    std::vector<bool> dates_;  // per column: a date column
    std::size_t replaced_ = 0;
    std::string firstReplaced_;
};

}  // namespace

std::unique_ptr<OutputSink> MakeWorkbookSink(const std::string& path) { return std::make_unique<WorkbookSink>(path); }

}  // namespace batch
