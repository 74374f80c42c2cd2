// The store's own .xlsx reader against GDAL's XLSX driver, which read the
// workbooks before it: generated workbooks mixing every kind of cell (and
// the files of data/) must give the same tables, fields and values, bit for
// bit, or fail alike.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/ZipWriter.h"
#include "store/Driver.h"
#include "store/detail/Drivers.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;
using store::Value;

const std::string Data = TRAVENA_TEST_DATA;

struct Sheet {
    std::string name, data;  // data: the rows, inside <sheetData>
};

struct Book {
    std::vector<Sheet> sheets;
    std::vector<std::string> shared;  // each <si>'s content
    std::string styles;               // the whole styles.xml, or none
    std::string workbook, rels;       // the whole parts, or those naming the sheets in order
};

constexpr const char* Styles =
    "<styleSheet><numFmts count=\"4\">"
    "<numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd hh:mm:ss\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"hh:mm\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"d/m/yy\"/>"
    "<numFmt numFmtId=\"167\" formatCode=\"DD/MM/YYYY HH:MM:SS.000\"/>"
    "<numFmt numFmtId=\"168\" formatCode=\"0.00\"/></numFmts>"
    "<cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
    "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"18\"/><xf numFmtId=\"22\"/>"
    "<xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"166\"/><xf numFmtId=\"167\"/>"
    "<xf numFmtId=\"168\"/><xf numFmtId=\"170\"/></cellXfs></styleSheet>";

void Write(const std::string& path, const Book& book) {
    batch::ZipWriter zip(path);
    zip.Add("[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types><Override PartName=\"/xl/worksheets/sheet1.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>");
    std::string workbook = "<workbook xmlns:r=\"r\"><sheets>";
    std::string rels = "<Relationships>";
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        workbook += "<sheet name=\"" + book.sheets[i].name + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"http://x/relationships/worksheet\" Target=\"worksheets/s" +
                n + ".xml\"/>";
    }
    zip.Add("xl/workbook.xml", book.workbook.empty() ? workbook + "</sheets></workbook>" : book.workbook);
    zip.Add("xl/_rels/workbook.xml.rels", book.rels.empty() ? rels + "</Relationships>" : book.rels);
    if (!book.shared.empty()) {
        std::string sst = "<sst>";
        for (const std::string& s : book.shared) sst += "<si>" + s + "</si>";
        zip.Add("xl/sharedStrings.xml", sst + "</sst>");
    }
    if (!book.styles.empty()) zip.Add("xl/styles.xml", book.styles);
    for (std::size_t i = 0; i < book.sheets.size(); ++i)
        zip.Add("xl/worksheets/s" + std::to_string(i + 1) + ".xml",
                "<worksheet>\n<sheetData>" + book.sheets[i].data + "</sheetData></worksheet>");
    zip.Finish();
}

std::string Shown(const Value& v) {
    switch (v.GetKind()) {
    case Value::Kind::Null: return "Null";
    case Value::Kind::Integer: return "i:" + v.Text();
    case Value::Kind::Double: {
        char text[40];
        std::snprintf(text, sizeof text, "d:%a", v.Double());
        return text;
    }
    case Value::Kind::Text: return "t:" + *v.IfText();
    }
    return "?";
}

// All a driver gives of a file: its tables, each one's fields, count and
// records, a sought record; or the error it fails with.
std::string Reading(store::Driver& driver, const std::string& path) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    try {
        const auto source = driver.Open(path);
        for (const std::string& table : source->TableNames()) {
            out << "table " << table << "\n";
            const auto cursor = source->OpenTable(table);
            for (const auto& f : cursor->Fields()) out << "  " << f.Name << " " << f.Type << " " << f.Size << "\n";
            out << "  count " << cursor->Count() << "\n";
            std::vector<Value> row;
            while (cursor->Next(row)) {
                out << " ";
                for (const Value& v : row) out << " " << Shown(v);
                out << "\n";
            }
            if (cursor->Seek(1) && cursor->Next(row) && !row.empty()) out << "  after seek " << Shown(row[0]) << "\n";
        }
    } catch (const base::RuntimeError& e) {
        out << "error " << e.number << "\n";
    }
    return out.str();
}

// GDAL prints a time's fractions of seconds with the locale's decimal
// separator where a column of times turns to text ("23:59:59,991" under a
// French locale), its one use of the locale: the reader prints a point
// whatever the locale, as every conversion of the store does, so the two
// are compared under the "C" locale's numbers.
class XlsxReader : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("b.xlsx");
        const char* now = std::setlocale(LC_NUMERIC, nullptr);
        numeric_ = now ? now : "C";
        std::setlocale(LC_NUMERIC, "C");
    }
    void TearDown() override { std::setlocale(LC_NUMERIC, numeric_.c_str()); }

    // Both readings of `book`, ours first.
    std::pair<std::string, std::string> Both(const Book& book) {
        fs::remove(path_);
        Write(path_, book);
        return Both(path_);
    }
    std::pair<std::string, std::string> Both(const std::string& path) {
        return {Reading(*store::FindDriver("Excel 12.0 Xml"), path), Reading(*gdal_, path)};
    }

    testsupport::TempDir dir_;
    std::string path_, numeric_;
    std::shared_ptr<store::Driver> gdal_ =
        store::detail::MakeModuleDriver(&store::detail::GdalReaders::gdalXlsx, "un classeur .xlsx");
};

std::string Ref(int col, int row) {
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(row);
}

// One cell of a generated sheet, drawn from its column's theme.
class Cells {
public:
    explicit Cells(unsigned seed, Book& book) : random_(seed), book_(book) {}

    // `purity`: the percentage of cells of the theme's kind.
    std::string Cell(int theme, int purity, int col, int row) {
        const int kind = Chance(purity) ? theme : int(Pick(12));
        const std::string r = Chance(95) ? " r=\"" + Ref(col, row) + "\"" : "";
        const auto v = [&](const std::string& attrs, const std::string& value) {
            return "<c" + r + attrs + "><v>" + value + "</v></c>";
        };
        static const char* const Ints[] = {"0",
                                           "7",
                                           "-12",
                                           "007",
                                           "2147483647",
                                           "-2147483648",
                                           "2147483648",
                                           "5000000000",
                                           "-9223372036854775808",
                                           "99999999999999999999",
                                           " 42 "};
        static const char* const Reals[] = {"1.5",
                                            "0.1",
                                            "-0",
                                            "1e5",
                                            "1E+20",
                                            "1d5",
                                            ".5",
                                            "1.",
                                            "2.5e-300",
                                            "1e400",
                                            "123456789.123456789",
                                            "3.14159265358979",
                                            "1e-7"};
        static const char* const Texts[] = {"abc",  "4,35", "x y",         "1.2.3",  "inf",
                                            "0x10", "",     "É&amp;t&lt;", "Field2", "a\r\nb"};
        static const char* const Serials[] = {"45322",         "45322.5", "45322.354340277778",
                                              "0.25",          "0",       "-1.5",
                                              "2958465.99999", "3649999", "3650001",
                                              "-3650001",      "60",      "45322.0000001",
                                              "45322.9999999", "abc",     "1e3"};
        switch (kind) {
        case 0: return v("", Ints[Pick(std::size(Ints))]);
        case 1: return v(Chance(50) ? " t=\"n\"" : "", Reals[Pick(std::size(Reals))]);
        case 2: return v(" t=\"s\"", std::to_string(Shared(Texts[Pick(std::size(Texts))])));
        case 3: return "<c" + r + " t=\"inlineStr\"><is><t>" + Texts[Pick(std::size(Texts))] + "</t></is></c>";
        case 4: return v(" t=\"b\"", Chance(50) ? "1" : "0");
        case 5:  // dates, times and date-times by every kind of style
            return v(" s=\"" + std::to_string(1 + Pick(9)) + "\"", Serials[Pick(std::size(Serials))]);
        case 6: return "<c" + r + "><f>A1*2</f><v>" + Ints[Pick(4)] + "</v></c>";
        case 7: return "<c" + r + " t=\"str\"><f>B1</f><v>" + Texts[Pick(4)] + "</v></c>";
        case 8: return v(" t=\"e\"", "#DIV/0!");
        case 9: return "<c" + r + (Chance(50) ? " s=\"1\"/>" : "/>");
        case 10:  // rich text, runs and phonetic reading
            return v(" t=\"s\"", std::to_string(Shared("<r><t>ri</t></r><r><rPr/><t xml:space=\"preserve\"> ch</t>"
                                                       "</r><rPh><t>PH</t></rPh>")));
        default: return "<c" + r + " t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>";
        }
    }

    bool Chance(int percent) { return int(random_() % 100) < percent; }
    std::size_t Pick(std::size_t n) { return random_() % n; }

private:
    std::size_t Shared(const std::string& content) {
        const std::string si = content.find('<') == std::string::npos ? "<t>" + content + "</t>" : content;
        book_.shared.push_back(si);
        return book_.shared.size() - 1;
    }

    std::mt19937 random_;
    Book& book_;
};

// A sheet of `rows` rows below headers of every sort, gaps and all.
std::string GeneratedSheet(Cells& cells, Book& book, int rows, int cols) {
    static const char* const Heads[] = {"x", "y", "", "x", "Field3", "a.b", "1.5", "[z]"};
    std::vector<int> themes, purities;
    for (int c = 0; c < cols; ++c) {
        themes.push_back(int(cells.Pick(12)));
        purities.push_back(std::vector<int>{100, 100, 98, 85}[cells.Pick(4)]);
    }
    std::string data;
    int row = 1;
    if (cells.Chance(90)) {
        data += "<row r=\"1\">";
        for (int c = 0; c < cols; ++c) {
            if (cells.Chance(10)) continue;
            book.shared.push_back("<t>" + std::string(Heads[cells.Pick(std::size(Heads))]) + "</t>");
            data += "<c r=\"" + Ref(c, 1) + "\" t=\"s\"><v>" + std::to_string(book.shared.size() - 1) + "</v></c>";
        }
        data += "</row>";
        ++row;
    }
    for (int n = 0; n < rows; ++n, ++row) {
        if (cells.Chance(5)) row += 1 + int(cells.Pick(3));  // rows left out
        data += "<row r=\"" + std::to_string(row) + "\">";
        const int width = cells.Chance(10) ? cols + 1 + int(cells.Pick(2)) : cols;  // past the headers
        for (int c = 0; c < width; ++c)
            if (!cells.Chance(15))
                data += c < cols ? cells.Cell(themes[std::size_t(c)], purities[std::size_t(c)], c, row)
                                 : cells.Cell(0, 100, c, row);
        data += "</row>";
    }
    if (cells.Chance(20)) data += "<row r=\"" + std::to_string(row + 1) + "\"/>";  // trailing empty row
    return data;
}

TEST_F(XlsxReader, GeneratedWorkbooksReadAsGdalReadThem) {
    // SEEDS=n tries more (eight hundred pass).
    const unsigned seeds = std::getenv("SEEDS") ? unsigned(std::atoi(std::getenv("SEEDS"))) : 120;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        Book book;
        Cells cells(seed, book);
        book.styles = Styles;
        const int sheets = 1 + int(cells.Pick(3));
        for (int s = 0; s < sheets; ++s) {
            const int rows = cells.Chance(15) ? int(cells.Pick(2)) : 1 + int(cells.Pick(40));
            book.sheets.push_back({"S" + std::to_string(s), GeneratedSheet(cells, book, rows, 1 + int(cells.Pick(6)))});
        }
        if (cells.Chance(30)) book.sheets.push_back({"Empty", ""});
        const auto [ours, gdal] = Both(book);
        ASSERT_EQ(ours, gdal) << "seed " << seed;
    }
}

TEST_F(XlsxReader, PeculiarWorkbooksReadAsGdalReadThem) {
    const std::string h = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
    const struct {
        const char* name;
        std::string data;
    } cases[] = {
        {"only_a_header", h},
        {"one_row_of_numbers", "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C1\"><v>2.5</v></c></row>"},
        {"empty", ""},
        {"first_rows_missing", "<row r=\"3\"><c r=\"A3\"><v>1</v></c></row><row r=\"4\"><c><v>2</v></c></row>"},
        {"row_without_number", h + "<row><c><v>1</v></c></row>"},
        {"row_zero", h + "<row r=\"0\"><c><v>1</v></c></row>"},
        {"rows_out_of_order", h + "<row r=\"5\"><c><v>1</v></c></row><row r=\"3\"><c><v>2</v></c></row>"},
        {"gap_too_big", h + "<row r=\"20000\"><c><v>1</v></c></row>"},
        {"cell_far_right", h + "<row r=\"2\"><c r=\"ZZZ2\"><v>1</v></c></row>"},
        {"lowercase_reference", h + "<row r=\"2\"><c r=\"c2\"><v>1</v></c></row>"},
        {"nested_row", "<x>" + h + "</x><row r=\"2\"><c><v>1</v></c></row>"},
        {"value_in_pieces", h + "<row r=\"2\"><c><v>1<x>2</x>3</v><v>4</v></c></row>"},
        {"shared_string_out_of_range", h + "<row r=\"2\"><c t=\"s\"><v>99</v></c></row>"},
        {"style_out_of_range", h + "<row r=\"2\"><c s=\"99\"><v>45000</v></c></row>"},
        {"entities", h + "<row r=\"2\"><c t=\"inlineStr\"><is><t>&#233;&#x1F600;&quot;</t></is></c></row>"},
        {"cdata", h + "<row r=\"2\"><c t=\"inlineStr\"><is><t><![CDATA[<a>]]></t></is></c></row>"},
        {"malformed", h + "<row r=\"2\"><c><v>1</c></row>"},
        {"header_of_every_kind",
         "<row r=\"1\"><c><v>2.5</v></c><c t=\"b\"><v>1</v></c><c s=\"1\"><v>45000</v></c>"
         "<c t=\"e\"><v>#N/A</v></c><c t=\"str\"><f>A1</f><v>f</v></c></row>"
         "<row r=\"2\"><c><v>1</v></c></row>"},
        {"undefined_entity", h + "<row r=\"2\"><c><v>&nbsp;</v></c></row>"},
    };
    for (const auto& c : cases) {
        Book book;
        book.styles = Styles;
        book.sheets = {{"S", c.data}};
        const auto [ours, gdal] = Both(book);
        EXPECT_EQ(ours, gdal) << c.name;
    }
}

TEST_F(XlsxReader, ManyColumnsAndMissingPartsFailOrNotAsWithGdal) {
    std::string wide = "<row r=\"1\">";
    for (int c = 0; c < 2100; ++c) wide += "<c><v>" + std::to_string(c) + "</v></c>";
    Book book{{{"W", wide + "</row><row r=\"2\"><c><v>1</v></c></row>"}, {"V", "<row r=\"1\"/>"}}, {}, "", "", ""};
    auto [ours, gdal] = Both(book);
    EXPECT_EQ(ours, gdal);
    EXPECT_NE(ours.find("error 3274"), std::string::npos) << ours.substr(0, 300);
    // A later sheet refused alone, the first still read.
    book = {{{"A", "<row r=\"1\"><c t=\"inlineStr\"><is><t>x</t></is></c></row><row r=\"2\"><c><v>1</v></c></row>"},
             {"B", "<row><c><v>1</v></c></row><row r=\"2\"><c><v>1</v></c></row>"},
             {"C", "<row r=\"1\"><c><v>3</v></c></row>"}},
            {},
            "",
            "",
            ""};
    std::tie(ours, gdal) = Both(book);
    EXPECT_EQ(ours, gdal);
}

// Which sheets a workbook lists, and where their parts are.
TEST_F(XlsxReader, SheetsListedAsWithGdal) {
    const std::string rows =
        "<row r=\"1\"><c t=\"inlineStr\"><is><t>x</t></is></c></row><row r=\"2\"><c><v>1</v></c></row>";
    Book book{{{"a", rows}, {"b", rows}}, {}, "", "", ""};
    book.workbook =
        "<workbook xmlns:r=\"r\"><sheets><x:sheet name=\"P&amp;Q\" r:id=\"rId1\"/><sheet name=\"again\" "
        "r:id=\"rId1\"/><sheet name=\"unknown\" r:id=\"rId9\"/><sheet name=\"absolute\" r:id=\"rId2\"/>"
        "<sheet name=\"rooted\" r:id=\"rId6\"/><sheet name=\"up\" r:id=\"rId7\"/><sheet name=\"here\" "
        "r:id=\"rId8\"/><sheet name=\"missing\" r:id=\"rId3\"/><sheet name=\"chart\" "
        "r:id=\"rId4\"/><sheet name=\"last\" "
        "r:id=\"rId5\"/></sheets></workbook>";
    book.rels =
        "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/s1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"x/worksheet\" Target=\"//xl/worksheets/s2.xml\"/>"
        "<Relationship Id=\"rId6\" Type=\"x/worksheet\" Target=\"/xl/worksheets/s2.xml\"/>"
        "<Relationship Id=\"rId7\" Type=\"x/worksheet\" Target=\"../xl/worksheets/s2.xml\"/>"
        "<Relationship Id=\"rId8\" Type=\"x/worksheet\" Target=\"./worksheets/s2.xml\"/>"
        "<Relationship Id=\"rId10\" Type=\"x/worksheet\" Target=\"a/b/../../worksheets/s2.xml\"/>"
        "<Relationship Id=\"rId3\" Type=\"x/worksheet\" Target=\"worksheets/none.xml\"/>"
        "<Relationship Id=\"rId4\" Type=\"x/chartsheet\" Target=\"worksheets/s1.xml\"/>"
        "<Relationship Id=\"rId5\" Type=\"x/worksheet\" Target=\"worksheets/s1.xml\"/></Relationships>";
    const auto [ours, gdal] = Both(book);
    EXPECT_EQ(ours, gdal);
    EXPECT_NE(ours.find("table P&Q$"), std::string::npos);
}

TEST_F(XlsxReader, FractionsOfSecondsAreWrittenWithAPointUnderAnyLocale) {
    Book book{{{"S",
                "<row r=\"1\"><c t=\"inlineStr\"><is><t>t</t></is></c></row><row r=\"2\"><c s=\"2\">"
                "<v>0.9999999</v></c></row><row r=\"3\"><c t=\"inlineStr\"><is><t>x</t></is></c></row>"}},
              {},
              Styles,
              "",
              ""};
    Write(path_, book);
    if (!std::setlocale(LC_NUMERIC, "fr_BE.UTF-8")) GTEST_SKIP() << "no fr_BE.UTF-8 locale";
    const auto source = store::FindDriver("Excel 12.0 Xml")->Open(path_);
    const auto cursor = source->OpenTable("S$");
    std::vector<Value> row;
    ASSERT_TRUE(cursor->Next(row));
    EXPECT_EQ(row[0], Value("23:59:59.991"));
}

TEST_F(XlsxReader, DataFilesReadAsGdalReadThem) {
    for (const char* file :
         {"coords.xlsx", "dates.xlsx", "hostile/coords_farcell.xlsx", "hostile/coords_halfsheet.xlsx", "coords.gpkg"}) {
        const auto [ours, gdal] = Both(Data + "/" + file);
        EXPECT_EQ(ours, gdal) << file;
    }
}

}  // namespace
