// The engine reports in French what SQLite reports in English.

#include <gtest/gtest.h>

#include "store/Engine.h"
#include "tests/Support.h"

namespace {

struct MessageCase {
    const char* name;
    const char* sql;
    int number;
    const char* text;  // the whole message
};

class EngineMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(EngineMessages, AreFrench) {
    testsupport::TempDir dir;
    store::Database db = store::CreateDatabase(dir.File("t.mdb"), store::dbLangGeneral);
    db.Execute("CREATE TABLE t (x REAL)");
    try {
        db.Execute(GetParam().sql);
        FAIL() << "ran";
    } catch (const store::EngineError& e) {
        EXPECT_EQ(e.number, GetParam().number);
        EXPECT_STREQ(e.what(), GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, EngineMessages,
    ::testing::Values(
        MessageCase{"syntax", "UPDATE t SET x = = 1", base::err::SyntaxError,
                    "Erreur de syntaxe dans l'instruction SQL : près de « = »"},
        MessageCase{"incomplete", "UPDATE t SET", base::err::SyntaxError,
                    "Erreur de syntaxe dans l'instruction SQL : instruction incomplète"},
        MessageCase{"other", "UPDATE t SET x = nofunction(1)", base::err::SyntaxError,
                    "Erreur de syntaxe dans l'instruction SQL : instruction refusée par le moteur"},
        MessageCase{"column", "UPDATE t SET y = 1", base::err::TooFewParameters,
                    "Trop peu de paramètres : colonne inconnue « y »"},
        MessageCase{"table", "UPDATE nowhere SET x = 1", base::err::UnknownTable,
                    "Le moteur de base de données ne peut pas trouver la table ou la requête source 'nowhere'."},
        MessageCase{"exists", "CREATE TABLE \"t\" (y REAL)", base::err::TableExists, "La table 't' existe déjà."},
        MessageCase{"constraint", "INSERT INTO t (rowid, x) VALUES (1, 1), (1, 2)", base::err::Engine,
                    "Erreur du moteur de base de données : contrainte non respectée"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
