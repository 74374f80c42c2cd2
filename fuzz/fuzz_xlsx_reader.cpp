// The .xlsx reader in this process (without the check in a child the driver
// makes first), on workbooks built around the input. Its first byte picks
// the part the rest becomes: the sheet, the shared strings, the styles, the
// workbook or its relationships, the other parts those of a sound workbook
// of two sheets; or, from 5 on, the rest is the whole file, for the zip
// reader. Every table is listed, opened, read, sought and read again.

#include <cstdint>
#include <string>
#include <vector>

#include "app/batch/ZipWriter.h"
#include "base/Errors.h"
#include "fuzz/FuzzSupport.h"
#include "store/detail/Drivers.h"

namespace {

constexpr const char* Parts[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml", "xl/workbook.xml",
                                 "xl/_rels/workbook.xml.rels"};
const std::string Sound[] = {
    "<worksheet><sheetData><row r=\"1\"><c t=\"s\"><v>0</v></c><c t=\"inlineStr\"><is><t>y</t></is></c></row>"
    "<row r=\"2\"><c><v>150000.5</v></c><c s=\"1\"><v>45322.5</v></c></row></sheetData></worksheet>",
    "<sst><si><t>x</t></si></sst>",
    "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"22\"/></cellXfs></styleSheet>",
    "<workbook xmlns:r=\"r\"><sheets><sheet name=\"P\" r:id=\"rId1\"/><sheet name=\"Q\" r:id=\"rId2\"/>"
    "</sheets></workbook>",
    "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"x/worksheet\" Target=\"/xl/worksheets/sheet1.xml\"/></Relationships>"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string path;
    if (data[0] >= 5) {
        path = fuzz::WriteFile("in.xlsx", data + 1, size - 1);
    } else {
        path = fuzz::Folder() + "/in.xlsx";
        batch::ZipWriter zip(path);
        zip.Add("[Content_Types].xml",
                "<Types><Override ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
                "worksheet+xml\"/></Types>");
        for (std::size_t i = 0; i < std::size(Parts); ++i) zip.Add(Parts[i], i == data[0] ? rest : Sound[i]);
        zip.Finish();
    }
    try {
        const auto source = store::detail::OpenXlsxInProcess(path);
        std::vector<store::Value> row;
        for (const std::string& name : source->TableNames()) {
            const auto cursor = source->OpenTable(name);
            (void)cursor->Count();
            while (cursor->Next(row))
                for (const store::Value& v : row) (void)v.Text();
            if (cursor->Seek(1)) (void)cursor->Next(row);
        }
    } catch (const base::RuntimeError&) {
        // A damaged workbook, refused.
    }
    return 0;
}
