// Rows copied as tab-separated text and lines pasted into a row.

#include "ModelFixture.h"
#include "app/main/RowClipboard.h"

namespace uitest {
namespace {

using app::Ctl;

using RowClipboard = ModelTest;

// A row is its label and the cells the window shows; the table adds the
// column headers, the list rows in use and the method line.
TEST_F(RowClipboard, CopiesARowOrTheTableAsTheWindowShowsThem) {
    Select(1, "UE UTM");
    Type(Ctl::TxtE, 8, "151234.5");
    Type(Ctl::TxtN, 8, "171234.5");
    model.Com_calculer_Click(8);
    model.GotFocus(Ctl::TxtN, 8);
    model.mnu_copier_Click();
    EXPECT_EQ(host.clipboard, "Lambert 72 (LB 72)\t151234.5\t171234.5\n");
    model.GotFocus(Ctl::Com_calculer, 12);
    model.mnu_copier_Click();
    EXPECT_EQ(host.clipboard, "UE UTM\t" + T(Ctl::TxtLgDeg, 5) + "\t" + T(Ctl::TxtLtDeg, 5) + "\t31\n");
    model.mnu_copiertout_Click();
    std::vector<std::string> lines;
    for (std::size_t from = 0, at; (at = host.clipboard.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(host.clipboard.substr(from, at - from));
    ASSERT_EQ(lines.size(), 14u);  // headers, 11 fixed rows, one list row, the method
    EXPECT_EQ(lines[0].substr(0, 3), "\tLo");
    EXPECT_EQ(lines[1].substr(0, 18), "Geographic WGS 84\t");
    EXPECT_EQ(lines[12].substr(0, 7), "UE UTM\t");
    EXPECT_EQ(lines[13], T(Ctl::LbMethode, 0));
}

// A line from a spreadsheet, a web page or this table goes into the row's
// cells, each left as if typed; the focus goes to the row's Calc button.
TEST_F(RowClipboard, PastedLineGoesIntoTheRowsCellsOrIsRefused) {
    const struct {
        int row;
        const char* list;  // item of list 0 for rows 11
        const char* text;
        std::vector<std::pair<std::pair<Ctl, int>, const char*>> cells;  // empty: refused
        const char* refusal = "";
    } cases[] = {
        // Maps and GPS write latitude first; a spreadsheet line is in the table's order.
        {0, "", "50.8466 4.3517", {{{Ctl::TxtLgDec, 0}, "4.351700"}, {{Ctl::TxtLtDec, 0}, "50.846600"}}},
        {0, "", "50.8466, 4.3517", {{{Ctl::TxtLgDec, 0}, "4.351700"}, {{Ctl::TxtLtDec, 0}, "50.846600"}}},
        {0, "", "4.3517\t50.8466\r\n", {{{Ctl::TxtLgDec, 0}, "4.351700"}, {{Ctl::TxtLtDec, 0}, "50.846600"}}},
        {1, "", "50°50′48″N 4°21′9″E", {{{Ctl::TxtLgDeg, 1}, "4°21'9.000''"}, {{Ctl::TxtLtDec, 1}, "50.846667"}}},
        {2, "", "E 4 21 9 N 50 50 48", {{{Ctl::TxtLgDec, 2}, "4.352500"}, {{Ctl::TxtLtDec, 2}, "50.846667"}}},
        {3, "", "120;50", {{{Ctl::TxtLgDec, 3}, "120.000000"}, {{Ctl::TxtLtDec, 3}, "50.000000"}}},
        {8, "", "150000;170000", {{{Ctl::TxtE, 8}, "150000"}, {{Ctl::TxtN, 8}, "170000"}}},
        {4,
         "",
         "E 596372 N 5632971",
         {{{Ctl::TxtE, 4}, "596372"}, {{Ctl::TxtN, 4}, "5632971"}, {{Ctl::TxtFus, 4}, ""}}},
        {5, "", "31U 596372 5632971", {{{Ctl::TxtE, 5}, "596372"}, {{Ctl::TxtFus, 5}, "31"}}},
        {11, "FR LB93", "X=652000 Y=6862000", {{{Ctl::TxtLgDeg, 4}, "652000"}, {{Ctl::TxtLtDeg, 4}, "6862000"}}},
        {6, "", "31u es 96372 32971", {{{Ctl::TxtE, 6}, "31U ES 96372 32971"}}},
        {9, "", "LU TM\t80000.000\t100000.000", {{{Ctl::TxtE, 9}, "80000.000"}, {{Ctl::TxtN, 9}, "100000.000"}}},
        {8, "", "UTM WGS 84\t596372.000\t5632971.000\t31", {}, "vient de la ligne « UTM WGS 84 »"},
        {8, "", "150000\n170000\n", {}, "plusieurs lignes"},
        {8, "", "1 2 3", {}, "deux nombres, X puis Y"},
        {0, "", "50°N 51°S", {}, "même sorte"},
        {0, "", "50 30 15 4 21 6", {}, "il faut deux angles"},
        {1, "", "50°75' 4°", {}, "les minutes vont de 0 à 59"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (*c.list) Select(0, c.list);
        messages.shown.clear();
        (void)model.TakeFocusRequest();
        EXPECT_TRUE(model.PasteIntoRow(c.row, c.text));
        if (c.cells.empty()) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_NE(messages.shown[0].text.find(c.refusal), std::string::npos) << messages.shown[0].text;
            continue;
        }
        ASSERT_TRUE(messages.shown.empty()) << messages.shown[0].text;
        for (const auto& [cell, text] : c.cells) EXPECT_EQ(T(cell.first, cell.second), text);
        EXPECT_EQ(model.TakeFocusRequest(), (app::ControlRef{Ctl::Com_calculer, c.row}));
    }
    // One value is the cell's own paste.
    EXPECT_FALSE(model.PasteIntoRow(8, "150000"));
}

// A row copied and pasted back into the same row of another window gives the
// same point.
TEST_F(RowClipboard, CopiedRowPastedBackGivesTheSamePoint) {
    Type(Ctl::TxtLgDeg, 0, "4 21 6.12");
    Type(Ctl::TxtLtDeg, 0, "N 50 50 48");
    model.Com_calculer_Click(0);
    const Cells first = AllCells(model);
    RecordingHost otherHost;
    app::MainModel other(messages, otherHost);
    other.Form_Load();
    EXPECT_TRUE(other.PasteIntoRow(0, app::RowLine(model, 0)));
    other.Com_calculer_Click(0);
    EXPECT_EQ(AllCells(other), first);
}

}  // namespace
}  // namespace uitest
