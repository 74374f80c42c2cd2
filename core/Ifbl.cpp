// IFBL floristic grid codes on Belgian Lambert 72 coordinates.
//
// The grid hangs from its top-left corner (2000, 258000): 20 km row bands
// lettered from A southwards, 32 km column bands numbered from 0 eastwards,
// 4 km squares inside them (rows 1..5, columns 1..8), then two levels of
// quarters (1 NW, 2 NE, 3 SW, 4 SE). The right and bottom edges belong to the
// grid, so x = 290000 gives column band 9 and y = 18000 row band M.

#include <string_view>

#include "base/Errors.h"
#include "core/Grid.h"

namespace core {

namespace {

constexpr double Left = 2000, Right = 290000, Bottom = 18000, Top = 258000;
constexpr double Km = 1000;
constexpr int RowBandKm = 20;
constexpr int ColumnBandKm = 32;
constexpr int SquareKm = 4;
constexpr double Square = SquareKm * Km;
constexpr std::size_t MinLength = 4, MaxLength = 6;

char Digit(int value) { return static_cast<char>('0' + value); }

// Quarter number of the cell at (i, j) inside a square two cells wide.
char Quarter(int i, int j) { return Digit(1 + i + 2 * j); }

bool InRange(char c, char low, char high) { return c >= low && c <= high; }

}  // namespace

void LambertToIfbl(double x, double y, std::string& code) {
    if (!(x >= Left && x <= Right && y >= Bottom && y <= Top)) {
        code = IfblOutsideGrid;
        return;
    }
    const int i = static_cast<int>(x / Km) - static_cast<int>(Left / Km);  // km east of the left edge
    const int j = static_cast<int>((Top - y) / Km);                        // km south of the top edge
    const int ir = i % ColumnBandKm, jr = j % RowBandKm;
    const int i2 = ir % SquareKm, j2 = jr % SquareKm;

    std::string text;
    text += static_cast<char>('A' + j / RowBandKm);
    text += Digit(i / ColumnBandKm);
    text += Digit(jr / SquareKm + 1);
    text += Digit(ir / SquareKm + 1);
    text += Quarter(i2 / 2, j2 / 2);
    text += Quarter(i2 % 2, j2 % 2);
    code = std::move(text);
}

void IfblToLambert(double& x, double& y, std::string& code) {
    CleanReference(code);
    const std::string_view c = code;
    const bool readable = c.size() >= MinLength && c.size() <= MaxLength && InRange(c[0], 'A', 'M') &&
                          InRange(c[1], '0', '9') && InRange(c[2], '1', '5') && InRange(c[3], '1', '8') &&
                          (c.size() < 5 || InRange(c[4], '1', '4')) && (c.size() < 6 || InRange(c[5], '1', '4'));
    if (!readable) throw base::RuntimeError(base::err::BadReference, "Code IFBL illisible : " + code + ".");

    // Top-left corner of the 4 km square, then down the quarters.
    double left = Left + (c[1] - '0') * ColumnBandKm * Km + (c[3] - '1') * Square;
    double top = Top - (c[0] - 'A') * RowBandKm * Km - (c[2] - '1') * Square;
    double size = Square;
    for (std::size_t k = MinLength; k < c.size(); ++k) {
        size /= 2;
        const int q = c[k] - '1';  // 0 NW, 1 NE, 2 SW, 3 SE
        if (q % 2 == 1) left += size;
        if (q >= 2) top -= size;
    }
    x = left + size / 2;
    y = top - size / 2;
}

}  // namespace core
