// The statement reader that tells a writable SELECT over one table from
// anything else: a wrong "one table" answer would write edits back to the
// wrong rows, a wrong "not one table" makes a set read-only.

#include <gtest/gtest.h>

#include "store/detail/SqlShape.h"

namespace {

using store::detail::MatchSingleTable;

TEST(SqlShape, SingleTableOrNot) {
    const struct {
        const char* sql;
        const char* table;
        const char* tail;
    } rows[] = {
        {"SELECT * FROM Datums", "Datums", ""},
        {"select Nom, a FROM [Ellipsoides] WHERE Nom = 'x'", "Ellipsoides", "WHERE Nom = 'x'"},
        {"SELECT * FROM \"a\"\"b\" ORDER BY Nom", "a\"b", "ORDER BY Nom"},
        {"SELECT * FROM `T` where x=1", "T", "where x=1"},
        // FROM inside text, a subquery or a name is not the statement's own.
        {"SELECT 'FROM x' AS [FROM], y FROM T", "T", ""},
        {"SELECT (SELECT a FROM U) FROM T", "T", ""},
        {"SELECT * FROM Données WHERE é = 1", "Données", "WHERE é = 1"},
        // Anything past one table is not writable back by rowid.
        {"SELECT * FROM T, U", nullptr, nullptr},
        {"SELECT * FROM T JOIN U ON 1", nullptr, nullptr},
        {"SELECT * FROM T GROUP BY a", nullptr, nullptr},
        {"SELECT * FROM T ORDER a", nullptr, nullptr},
        {"SELECT * FROM (SELECT * FROM T)", nullptr, nullptr},
        {"SELECT 1", nullptr, nullptr},
        {"WITH c AS (SELECT 1) SELECT * FROM c", nullptr, nullptr},
        {"SELECT * FROM 'T'", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const auto& r : rows) {
        const auto single = MatchSingleTable(r.sql);
        ASSERT_EQ(single.has_value(), r.table != nullptr) << r.sql;
        if (single) {
            EXPECT_EQ(single->table, r.table) << r.sql;
            EXPECT_EQ(single->tail, r.tail) << r.sql;
        }
    }
}

TEST(SqlShape, PlainColumnsAndStatements) {
    const struct {
        const char* list;
        bool plain;
    } lists[] = {{"*", true},      {" * ", true},       {"Nom, a", true}, {"[Nom complet],a", true},
                 {"a + 1", false}, {"count(*)", false}, {"1", false},     {"a,", false},
                 {"", false},      {"* , a", false}};
    for (const auto& l : lists) EXPECT_EQ(store::detail::PlainColumns(l.list), l.plain) << l.list;
    for (const char* s : {"SELECT 1", "with x as (select 1) select * from x", "VALUES (1)"})
        EXPECT_TRUE(store::detail::IsStatement(s)) << s;
    for (const char* s : {"Datums", "SELECTION", "[SELECT]", "DELETE FROM T"})
        EXPECT_FALSE(store::detail::IsStatement(s)) << s;
}

}  // namespace
