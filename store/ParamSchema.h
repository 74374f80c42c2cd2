#pragma once
// The columns of the parameter database's tables, in their stored order:
// each column's name as the file spells it and the kind of value it holds.
// CreateParamTables makes the tables from these lists; core's column tables
// (core/ParamColumns.h) give each number column its record member, rule and
// label, and are checked against these lists when compiling. A new column is
// one line here, and one there when a record holds it.

#include <array>
#include <cstddef>
#include <string_view>

namespace store::schema {

// Text columns hold at most `size` characters and Integer columns a 16-bit
// integer; every other kind is stored as a double. Single: read in single
// precision. The angle kinds are radians.
enum class Kind { Text, Integer, Double, Single, Longitude, Latitude, Rotation };

struct Column {
    const char* name;
    Kind kind;
    int size = 0;  // text: maximum characters
};

inline constexpr int NameSize = 50, FullNameSize = 255, LockSize = 1;

inline constexpr std::array<Column, 6> Ellipsoides{{{"Nom", Kind::Text, NameSize},
                                                    {"nomcomplet", Kind::Text, FullNameSize},
                                                    {"a", Kind::Double},
                                                    {"ec", Kind::Double},
                                                    {"unf", Kind::Double},
                                                    {"lock", Kind::Text, LockSize}}};

inline constexpr std::array<Column, 16> Datums{{{"Nom", Kind::Text, NameSize},
                                                {"Pays", Kind::Text, NameSize},
                                                {"Code", Kind::Text, NameSize},
                                                {"nomcomplet", Kind::Text, FullNameSize},
                                                {"Ellipsoide", Kind::Text, NameSize},
                                                {"dX", Kind::Single},
                                                {"dY", Kind::Single},
                                                {"dZ", Kind::Single},
                                                {"dX7", Kind::Single},
                                                {"dY7", Kind::Single},
                                                {"dZ7", Kind::Single},
                                                {"rX", Kind::Single},
                                                {"rY", Kind::Single},
                                                {"rZ", Kind::Single},
                                                {"dS", Kind::Single},
                                                {"lock", Kind::Text, LockSize}}};

// limitew and limitee: the first and last UTM zone of a type 1 projection,
// the west and east longitudes of use of the others.
inline constexpr std::array<Column, 17> Projections{{{"Nom", Kind::Text, NameSize},
                                                     {"Pays", Kind::Text, NameSize},
                                                     {"Code", Kind::Text, NameSize},
                                                     {"nomcomplet", Kind::Text, FullNameSize},
                                                     {"Datum", Kind::Text, NameSize},
                                                     {"Type", Kind::Integer},
                                                     {"FE", Kind::Double},
                                                     {"fn", Kind::Double},
                                                     {"k0", Kind::Double},
                                                     {"Lg0", Kind::Longitude},
                                                     {"Lt0", Kind::Latitude},
                                                     {"Lt1", Kind::Latitude},
                                                     {"Lt2", Kind::Latitude},
                                                     {"aa", Kind::Rotation},
                                                     {"limitew", Kind::Double},
                                                     {"limitee", Kind::Double},
                                                     {"lock", Kind::Text, LockSize}}};

// The projection types the editor offers.
inline constexpr std::array<Column, 2> Types{{{"num\xC3\xA9ro", Kind::Integer}, {"nom", Kind::Text, FullNameSize}}};

constexpr bool IsAngle(Kind kind) {
    return kind == Kind::Longitude || kind == Kind::Latitude || kind == Kind::Rotation;
}
constexpr bool IsNumber(Kind kind) { return kind != Kind::Text && kind != Kind::Integer; }

// The column of `table` named `name` (exact spelling); a name the table
// lacks stops the compilation where the answer is needed at compile time.
template <std::size_t N>
constexpr const Column& Find(const std::array<Column, N>& table, std::string_view name) {
    for (const Column& c : table)
        if (c.name == name) return c;
    throw "no such column";
}

}  // namespace store::schema
