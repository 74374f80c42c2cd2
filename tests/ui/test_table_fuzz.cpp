// Whatever is typed into whatever cell, no handler throws or leaves the wait
// cursor on, and no row is left showing another point than the one typed:
// random and malformed numbers, angles, grid references and zones go through
// the cells' handlers and every row's Calc. Seeded, so a failure names a case
// that can be replayed.

#include <algorithm>
#include <random>

#include <cmath>

#include "ModelFixture.h"
#include "app/main/CellText.h"
#include "core/Constants.h"
#include "core/Grid.h"
#include "core/NumberText.h"
#include "core/Pipeline.h"

namespace uitest {
namespace {

using app::Ctl;

class TextMaker {
public:
    explicit TextMaker(std::uint32_t seed) : rng_(seed) {}

    std::string Next() {
        switch (Pick(9)) {
        case 0: return Number();
        case 1: return Number() + "°" + Number() + "'" + Number() + "''";
        case 2: return Shuffle(Number() + "°" + Number() + "'" + Number() + "''");
        case 3: return Mgrs();
        case 4: return Ifbl();
        case 5: return std::to_string(static_cast<int>(Pick(200)) - 70);
        case 6: return Garbage();
        case 7: return std::string(Pick(3), ' ');
        default: return Pick(2) ? Number() + "," + std::to_string(Pick(1000)) : Number() + "E" + Number();
        }
    }
    // A value a user could type into this cell of this row, near Belgium.
    std::string Plausible(const app::MainModel& m, Ctl ctl, int row) {
        const auto u = [this](double a, double b) {
            return core::FormatGeneral(std::uniform_real_distribution<double>(a, b)(rng_));
        };
        const bool list = row >= app::FirstListRow;
        const bool geographic = app::IsGeographicRow(row) && (!list || app::IsGeographicItem(m.ListText(app::ListOfRow(row))));
        const bool latitude = ctl == Ctl::TxtN || ctl == Ctl::TxtLtDeg || ctl == Ctl::TxtLtDec;
        if (ctl == Ctl::TxtFus) return Pick(2) ? "31" : "32";
        if (geographic) {
            if (ctl == Ctl::TxtE || ctl == Ctl::TxtN) return latitude ? u(0.86, 0.9) : u(0.04, 0.12);
            return latitude ? u(49.5, 51.5) : u(2.5, 6.4);
        }
        switch (row) {
        case app::row::MgrsWgs84: case app::row::MgrsEd50: {
            static const char* squares[] = {"31UES", "31UFS", "31UER", "31UFR"};
            return squares[Pick(4)] + std::to_string(10000 + Pick(90000)) + std::to_string(10000 + Pick(90000));
        }
        case app::row::Ifbl: {
            std::string code;
            core::LambertToIfbl(std::uniform_real_distribution<double>(30000, 280000)(rng_),
                                std::uniform_real_distribution<double>(30000, 240000)(rng_), code);
            return code;
        }
        case app::row::Lambert72: return latitude ? u(20000, 240000) : u(20000, 290000);
        case app::row::LuTm: return latitude ? u(55000, 135000) : u(50000, 110000);
        default: return latitude ? u(5.5e6, 5.7e6) : u(500000, 700000);  // UTM, and metres of a list row
        }
    }
    std::uint32_t Pick(std::uint32_t n) { return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(rng_); }

private:
    std::string Number() {
        static const char* special[] = {"0", "-0", "1e308", "-1e309", "&HFFFF", "&O777", "1D5", ".", "-", "9e-320",
                                        "6.28318530717958", "3.14159265358979", "1.5707963267949", "nan", "inf"};
        switch (Pick(4)) {
        case 0: return special[Pick(std::size(special))];
        case 1: return std::to_string(std::uniform_real_distribution<double>(-1e7, 1e7)(rng_));
        case 2: return std::to_string(std::uniform_real_distribution<double>(-7, 7)(rng_));
        default: return std::to_string(static_cast<int>(Pick(10000000)));
        }
    }
    std::string Mgrs() {
        std::string s = std::to_string(Pick(70)) + char('A' + Pick(26)) + char('A' + Pick(26)) + char('a' + Pick(26));
        const std::uint32_t digits = Pick(12);
        for (std::uint32_t i = 0; i < digits; ++i) s += char('0' + Pick(10));
        return Pick(4) ? s : Shuffle(s);
    }
    std::string Ifbl() {
        std::string s(1, char('A' + Pick(16)));
        const std::uint32_t digits = Pick(8);
        for (std::uint32_t i = 0; i < digits; ++i) s += char('0' + Pick(10));
        return s;
    }
    std::string Garbage() {
        static const char alphabet[] = "0123456789.,-+eEdD&HhOo°'\" \tabcXYZ\xc3\xa9\xff";
        std::string s;
        const std::uint32_t n = Pick(24);
        for (std::uint32_t i = 0; i < n; ++i) s += alphabet[Pick(sizeof alphabet - 1)];
        return s;
    }
    std::string Shuffle(std::string s) {
        std::shuffle(s.begin(), s.end(), rng_);
        return s;
    }
    std::mt19937 rng_;
};

// The WGS 84 point the table pipeline of the batch run reads from the row's
// cells; false when it cannot read one.
bool PipelinePivot(const app::MainModel& m, int row, double& lon, double& lat) {
    static const char* const Systems[app::FixedRowCount][2] = {
        {"WGS84", ""}, {"BE ED50", ""}, {"BE BD72", ""}, {"LU LUREF", ""},
        {"", "WGS84 UTM"}, {"", "BE UTM"}, {"", "WGS84 UTMMGRS"}, {"", "BE UTMMGRS"},
        {"", "BE LB72"}, {"", "LU TM"}, {"", "BE LB72IFBL"}};
    std::string datum, projection, x, y;
    std::int16_t zone = 0;
    if (row < app::FirstListRow) {
        datum = Systems[row][0];
        projection = Systems[row][1];
    } else {
        const std::string item = m.ListText(app::ListOfRow(row));
        (app::IsGeographicItem(item) ? datum : projection) = app::IsGeographicItem(item) ? app::DatumOfItem(item) : item;
    }
    if (!datum.empty()) {
        x = m.Text(Ctl::TxtE, row);
        y = m.Text(Ctl::TxtN, row);
    } else if (row >= app::FirstListRow) {
        x = m.Text(Ctl::TxtLgDeg, app::DmsIndexOfRow(row));
        y = m.Text(Ctl::TxtLtDeg, app::DmsIndexOfRow(row));
    } else {
        x = m.Text(Ctl::TxtE, row);
        if (m.Exists(Ctl::TxtN, row)) y = m.Text(Ctl::TxtN, row);
    }
    if (m.Exists(Ctl::TxtFus, row)) zone = app::ReadZone(m.Text(Ctl::TxtFus, row)).value_or(0);
    std::string outDatum = "WGS84", outX, outY;
    std::int16_t outZone = 0;
    try {
        core::ConvertRecord(datum, projection, x, y, zone, outDatum, "", outX, outY, outZone, m.TransformMethod);
    } catch (const std::exception&) {
        return false;
    }
    lon = core::ValNumber(outX);
    lat = core::ValNumber(outY);
    return true;
}

using TableFuzz = ModelTest;

TEST_F(TableFuzz, NoCellTextBreaksAHandler) {
    constexpr int Cases = 3000;
    TextMaker make(20261206);
    const int items = static_cast<int>(model.At(Ctl::Combo_projec, 0).items.size());
    int accepted = 0;
    for (int n = 0; n < Cases; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        if (make.Pick(8) == 0) model.SelectListItem(make.Pick(2), make.Pick(items));
        if (make.Pick(16) == 0) model.mnu_calc2_Click();
        if (make.Pick(16) == 0) model.mnu_calc3_Click();
        if (make.Pick(16) == 0) model.mnu_calc1_Click();
        const int row = make.Pick(app::RowCount);
        const bool plausible = make.Pick(3) == 0;
        for (const app::ControlRef& c : app::RowCells(model, row)) {
            T(c.ctl, c.index) = plausible ? make.Plausible(model, c.ctl, row) : make.Next();
            if (make.Pick(2)) {
                ASSERT_NO_THROW(PressEnter(c.ctl, c.index)) << T(c.ctl, c.index);
            } else {
                ASSERT_NO_THROW(model.LostFocus(c.ctl, c.index)) << T(c.ctl, c.index);
            }
        }
        // Every other row shown gets a mark the click must replace or empty.
        for (int r = 0; r < app::RowCount; ++r) {
            if (r == row) continue;
            for (const app::ControlRef& c : app::RowCells(model, r)) T(c.ctl, c.index) = "#";
        }
        const Cells before = AllCells(model);
        const std::size_t shown = messages.shown.size();

        ASSERT_NO_THROW(model.Com_calculer_Click(row)) << "row " << row;
        ASSERT_FALSE(model.WaitCursor());
        ASSERT_LE(messages.shown.size(), shown + 2);  // the fill's notice, and "Hors fuseau pour" at most
        if (model.LastCalcRefused) {
            ASSERT_EQ(AllCells(model), before) << "row " << row;
        } else {
            ++accepted;
            for (int r = 0; r < app::RowCount; ++r) {
                for (const app::ControlRef& c : app::RowCells(model, r))
                    ASSERT_NE(T(c.ctl, c.index), "#") << "row " << r << " kept from before a Calc on row " << row;
            }
            double lon = 0, lat = 0;
            ASSERT_TRUE(PipelinePivot(model, row, lon, lat)) << "row " << row << " accepted what the pipeline refuses";
            const double dLon = std::remainder(core::ValNumber(T(Ctl::TxtE, 0)) - lon, core::TwoPi);
            ASSERT_NEAR(dLon, 0, 1e-9) << "row " << row;
            ASSERT_NEAR(core::ValNumber(T(Ctl::TxtN, 0)), lat, 1e-9) << "row " << row;
        }
        model.TakeFocusRequest();
        if (messages.shown.size() > 100) messages.shown.clear();
    }
    // Enough clicks go through for the comparison with the pipeline to count.
    EXPECT_GT(accepted, Cases / 10) << accepted;
}

}  // namespace
}  // namespace uitest
