// Whatever is typed into whatever cell, no handler throws or leaves the wait
// cursor on: random and malformed numbers, angles, grid references and zones
// go through the cells' handlers and every row's Calc. Seeded, so a failure
// names a case that can be replayed.

#include <algorithm>
#include <random>

#include "ModelFixture.h"
#include "app/main/ConversionTable.h"

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

using TableFuzz = ModelTest;

TEST_F(TableFuzz, NoCellTextBreaksAHandler) {
    constexpr int Cases = 3000;
    TextMaker make(20261206);
    const int items = static_cast<int>(model.At(Ctl::Combo_projec, 0).items.size());
    for (int n = 0; n < Cases; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        if (make.Pick(8) == 0) model.SelectListItem(make.Pick(2), make.Pick(items));
        if (make.Pick(16) == 0) model.mnu_calc2_Click();
        if (make.Pick(16) == 0) model.mnu_calc3_Click();
        if (make.Pick(16) == 0) model.mnu_calc1_Click();
        const int row = make.Pick(app::RowCount);
        for (const app::ControlRef& c : app::RowCells(model, row)) {
            T(c.ctl, c.index) = make.Next();
            if (make.Pick(2)) {
                ASSERT_NO_THROW(PressEnter(c.ctl, c.index)) << T(c.ctl, c.index);
            } else {
                ASSERT_NO_THROW(model.LostFocus(c.ctl, c.index)) << T(c.ctl, c.index);
            }
        }
        ASSERT_NO_THROW(model.Com_calculer_Click(row)) << "row " << row;
        ASSERT_FALSE(model.WaitCursor());
        model.TakeFocusRequest();
        if (messages.shown.size() > 100) messages.shown.clear();
    }
}

}  // namespace
}  // namespace uitest
