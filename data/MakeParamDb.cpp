// Builds the default parameter database from its readable seed:
//   make_param_db SEED.tsv OUTPUT.mdb
// The database is written beside the output under a temporary name and moved
// into place at the end, so an interrupted build never leaves half a file.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "store/Engine.h"
#include "store/ParamDb.h"
#include "store/Seed.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SEED.tsv OUTPUT.mdb\n", argv[0]);
        return 2;
    }
    const std::filesystem::path output = argv[2];
    const std::filesystem::path temporary = output.string() + ".tmp";
    try {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) throw store::Error(base::err::FileNotFound, argv[1]);
        const std::string seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto tables = store::ParseSeed(seed);

        std::filesystem::remove(temporary);
        {
            store::Database db = store::CreateDatabase(temporary.string(), store::dbLangGeneral);
            store::CreateParamTables(db);
            db.Execute("BEGIN");  // one commit for the whole seed
            store::FillFromSeed(db, tables);
            db.Execute("COMMIT");
            db.Close();
        }
        std::filesystem::rename(temporary, output);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        std::filesystem::remove(temporary);
        return 1;
    }
    return 0;
}
