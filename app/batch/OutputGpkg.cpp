// The GeoPackage: one point layer "Conversions" in WGS 84 (EPSG:4326), so
// the records open on a map in a GIS at once. Written with SQLite alone, in
// the layout GDAL's GeoPackage driver gives such a layer (the same tables,
// triggers, SRS text and point blobs), so that GIS programs read it as one
// of theirs; loading GDAL for this cost more memory than the whole run.
//
// One transaction of prepared inserts. The spatial index is packed at the
// end in one pass (PackedRtree.h), and only then are the triggers that keep
// it and the feature count up to date made: inserting each point into the
// index one by one took two thirds of the run's time for a million points.

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/batch/Output.h"
#include "app/batch/PackedRtree.h"
#include "app/batch/PendingFile.h"
#include "base/Errors.h"
#include "base/SystemText.h"
#include "store/Driver.h"
#include "store/Value.h"

namespace batch {

namespace {

constexpr int Wgs84Code = 4326;
constexpr int ApplicationId = 0x47504B47;  // "GPKG"
constexpr int GpkgVersion = 10200;         // 1.2, as GDAL 3.6 writes by default
constexpr int RowsPerInsert = 64;          // records inserted by one statement

// The tables every GeoPackage has, with the two undefined systems and WGS 84
// in GDAL's words (its WKT 1 text, its description).
constexpr const char* BaseSchema = R"sql(
CREATE TABLE gpkg_spatial_ref_sys (srs_name TEXT NOT NULL,srs_id INTEGER NOT NULL PRIMARY KEY,organization TEXT NOT NULL,organization_coordsys_id INTEGER NOT NULL,definition  TEXT NOT NULL,description TEXT);
INSERT INTO gpkg_spatial_ref_sys VALUES('Undefined Cartesian SRS',-1,'NONE',-1,'undefined','undefined Cartesian coordinate reference system');
INSERT INTO gpkg_spatial_ref_sys VALUES('Undefined geographic SRS',0,'NONE',0,'undefined','undefined geographic coordinate reference system');
INSERT INTO gpkg_spatial_ref_sys VALUES('WGS 84 geodetic',4326,'EPSG',4326,'GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563,AUTHORITY["EPSG","7030"]],AUTHORITY["EPSG","6326"]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AXIS["Latitude",NORTH],AXIS["Longitude",EAST],AUTHORITY["EPSG","4326"]]','longitude/latitude coordinates in decimal degrees on the WGS 84 spheroid');
CREATE TABLE gpkg_contents (table_name TEXT NOT NULL PRIMARY KEY,data_type TEXT NOT NULL,identifier TEXT UNIQUE,description TEXT DEFAULT '',last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')),min_x DOUBLE, min_y DOUBLE,max_x DOUBLE, max_y DOUBLE,srs_id INTEGER,CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id));
CREATE TABLE gpkg_ogr_contents(table_name TEXT NOT NULL PRIMARY KEY,feature_count INTEGER DEFAULT NULL);
CREATE TABLE gpkg_geometry_columns (table_name TEXT NOT NULL,column_name TEXT NOT NULL,geometry_type_name TEXT NOT NULL,srs_id INTEGER NOT NULL,z TINYINT NOT NULL,m TINYINT NOT NULL,CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name),CONSTRAINT uk_gc_table_name UNIQUE (table_name),CONSTRAINT fk_gc_tn FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name),CONSTRAINT fk_gc_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id));
CREATE TABLE gpkg_tile_matrix_set (table_name TEXT NOT NULL PRIMARY KEY,srs_id INTEGER NOT NULL,min_x DOUBLE NOT NULL,min_y DOUBLE NOT NULL,max_x DOUBLE NOT NULL,max_y DOUBLE NOT NULL,CONSTRAINT fk_gtms_table_name FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name),CONSTRAINT fk_gtms_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id));
CREATE TABLE gpkg_tile_matrix (table_name TEXT NOT NULL,zoom_level INTEGER NOT NULL,matrix_width INTEGER NOT NULL,matrix_height INTEGER NOT NULL,tile_width INTEGER NOT NULL,tile_height INTEGER NOT NULL,pixel_x_size DOUBLE NOT NULL,pixel_y_size DOUBLE NOT NULL,CONSTRAINT pk_ttm PRIMARY KEY (table_name, zoom_level),CONSTRAINT fk_tmm_table_name FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name));
CREATE TRIGGER 'gpkg_tile_matrix_zoom_level_insert' BEFORE INSERT ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'insert on table ''gpkg_tile_matrix'' violates constraint: zoom_level cannot be less than 0') WHERE (NEW.zoom_level < 0); END;
CREATE TRIGGER 'gpkg_tile_matrix_zoom_level_update' BEFORE UPDATE of zoom_level ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'update on table ''gpkg_tile_matrix'' violates constraint: zoom_level cannot be less than 0') WHERE (NEW.zoom_level < 0); END;
CREATE TRIGGER 'gpkg_tile_matrix_matrix_width_insert' BEFORE INSERT ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'insert on table ''gpkg_tile_matrix'' violates constraint: matrix_width cannot be less than 1') WHERE (NEW.matrix_width < 1); END;
CREATE TRIGGER 'gpkg_tile_matrix_matrix_width_update' BEFORE UPDATE OF matrix_width ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'update on table ''gpkg_tile_matrix'' violates constraint: matrix_width cannot be less than 1') WHERE (NEW.matrix_width < 1); END;
CREATE TRIGGER 'gpkg_tile_matrix_matrix_height_insert' BEFORE INSERT ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'insert on table ''gpkg_tile_matrix'' violates constraint: matrix_height cannot be less than 1') WHERE (NEW.matrix_height < 1); END;
CREATE TRIGGER 'gpkg_tile_matrix_matrix_height_update' BEFORE UPDATE OF matrix_height ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'update on table ''gpkg_tile_matrix'' violates constraint: matrix_height cannot be less than 1') WHERE (NEW.matrix_height < 1); END;
CREATE TRIGGER 'gpkg_tile_matrix_pixel_x_size_insert' BEFORE INSERT ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'insert on table ''gpkg_tile_matrix'' violates constraint: pixel_x_size must be greater than 0') WHERE NOT (NEW.pixel_x_size > 0); END;
CREATE TRIGGER 'gpkg_tile_matrix_pixel_x_size_update' BEFORE UPDATE OF pixel_x_size ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'update on table ''gpkg_tile_matrix'' violates constraint: pixel_x_size must be greater than 0') WHERE NOT (NEW.pixel_x_size > 0); END;
CREATE TRIGGER 'gpkg_tile_matrix_pixel_y_size_insert' BEFORE INSERT ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'insert on table ''gpkg_tile_matrix'' violates constraint: pixel_y_size must be greater than 0') WHERE NOT (NEW.pixel_y_size > 0); END;
CREATE TRIGGER 'gpkg_tile_matrix_pixel_y_size_update' BEFORE UPDATE OF pixel_y_size ON 'gpkg_tile_matrix' FOR EACH ROW BEGIN SELECT RAISE(ABORT, 'update on table ''gpkg_tile_matrix'' violates constraint: pixel_y_size must be greater than 0') WHERE NOT (NEW.pixel_y_size > 0); END;
)sql";

// How a column is declared, and so which values it takes.
enum class Column { Integer, Real, Text, Boolean };

Column ColumnOf(int type) {
    switch (type) {
    case store::dbBoolean: return Column::Boolean;
    case store::dbByte:
    case store::dbInteger:
    case store::dbLong: return Column::Integer;
    case store::dbCurrency:
    case store::dbSingle:
    case store::dbDouble: return Column::Real;
    default: return Column::Text;
    }
}

const char* Declared(Column c) {
    switch (c) {
    case Column::Integer: return "INTEGER";
    case Column::Real: return "REAL";
    case Column::Boolean: return "BOOLEAN";
    default: return "TEXT";
    }
}

// A column name no input field holds: "fid", else "fid_2", ...
std::string FreeName(const std::vector<store::FieldDef>& fields, const std::string& base) {
    std::string name = base;
    for (int k = 2;; ++k) {
        bool taken = false;
        for (const auto& f : fields) taken = taken || store::SameText(f.Name, name);
        if (!taken) return name;
        name = base + "_" + std::to_string(k);
    }
}

std::string Quoted(const std::string& name) {
    std::string q = "\"";
    for (const char c : name) q += c == '"' ? "\"\"" : std::string(1, c);
    return q + "\"";
}

// A point as a GeoPackage holds it: the "GP" header (version 0; flags: the
// byte order, no envelope, as GDAL writes points) and the system's code,
// then the point in WKB, all in this machine's byte order.
using PointBlob = std::array<unsigned char, 8 + 21>;
PointBlob Blob(double x, double y) {
    constexpr bool little = std::endian::native == std::endian::little;
    PointBlob b{'G', 'P', 0, little ? 1 : 0};
    const std::int32_t srs = Wgs84Code;
    const std::uint32_t point = 1;
    std::memcpy(&b[4], &srs, 4);
    b[8] = little ? 1 : 0;
    std::memcpy(&b[9], &point, 4);
    std::memcpy(&b[13], &x, 8);
    std::memcpy(&b[21], &y, 8);
    return b;
}

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Closer>;

class GeoPackageSink : public OutputSink {
public:
    explicit GeoPackageSink(const std::string& path) : path_(path) {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(store::RealFilePath(path).c_str(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        db_.reset(raw);
        if (rc != SQLITE_OK) throw Failure();
        // Nothing but this run writes the pending file, and a failed run
        // deletes it: a journal to roll back to would only be written.
        Exec("PRAGMA journal_mode = OFF");
        Exec("BEGIN");
        Exec("PRAGMA application_id = " + std::to_string(ApplicationId));
        Exec("PRAGMA user_version = " + std::to_string(GpkgVersion));
        Exec(BaseSchema);
    }

    void Begin(const std::vector<store::FieldDef>& fields) override {
        fid_ = Quoted(FreeName(fields, "fid"));
        const std::string geometry = FreeName(fields, "geom");
        geom_ = Quoted(geometry);
        table_ = Quoted(SinkTable);
        std::string create = "CREATE TABLE " + table_ + " ( " + fid_ + " INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, " +
                             geom_ + " POINT";
        std::string insert = "INSERT INTO " + table_ + " (" + fid_ + ", " + geom_, row = "(?, ?";
        for (const auto& f : fields) {
            columns_.push_back(ColumnOf(f.Type));
            names_.push_back(f.Name);
            create += ", " + Quoted(f.Name) + " " + Declared(columns_.back());
            insert += ", " + Quoted(f.Name);
            row += ", ?";
        }
        Exec(create + ")", SinkTable);
        const std::string name = std::string("'") + SinkTable + "'", column = "'" + geometry + "'";
        Exec("INSERT INTO gpkg_contents (table_name, data_type, identifier, description, srs_id) VALUES (" + name +
             ", 'features', " + name + ", '', " + std::to_string(Wgs84Code) + ")");
        Exec("INSERT INTO gpkg_geometry_columns VALUES (" + name + ", " + column + ", 'POINT', " +
             std::to_string(Wgs84Code) + ", 0, 0)");
        Exec("INSERT INTO gpkg_ogr_contents VALUES (" + name + ", NULL)");
        CreateIndex(geometry);
        // Several records a statement, each statement's own cost shared;
        // the rows left unbound when the last one runs have no fid and are
        // filtered out.
        rows_ = std::max(
            1, std::min(RowsPerInsert, sqlite3_limit(db_.get(), SQLITE_LIMIT_VARIABLE_NUMBER, -1) / PerRecord()));
        std::string values;
        for (int r = 0; r < rows_; ++r) values += (r ? ", " : "") + row + ")";
        insert_ = Prepare(insert + ") SELECT * FROM (VALUES " + values + ") WHERE column1 IS NOT NULL");
    }

    void Add(const std::vector<store::Value>& values, const std::optional<LonLat>& point) override {
        sqlite3_stmt* s = insert_.get();
        const int first = bound_ * PerRecord() + 1;
        const std::int64_t fid = count_ + 1;
        int rc = sqlite3_bind_int64(s, first, fid);
        if (rc == SQLITE_OK && point) {
            const PointBlob blob = Blob(point->lon, point->lat);
            rc = sqlite3_bind_blob(s, first + 1, blob.data(), int(blob.size()), SQLITE_TRANSIENT);
        } else if (rc == SQLITE_OK) {
            rc = sqlite3_bind_null(s, first + 1);
        }
        static const store::Value null;
        for (std::size_t i = 0; i < columns_.size() && rc == SQLITE_OK; ++i)
            rc = Bind(first + 2 + int(i), i, i < values.size() ? values[i] : null);
        if (rc != SQLITE_OK) throw Failure();
        ++count_;
        if (++bound_ == rows_) Insert();
        if (!point) return;
        index_->Add(fid, point->lon, point->lat);
        if (++points_ == 1) extent_ = {point->lon, point->lat, point->lon, point->lat};
        extent_ = {std::min(extent_[0], point->lon), std::min(extent_[1], point->lat), std::max(extent_[2], point->lon),
                   std::max(extent_[3], point->lat)};
    }

    void Finish() override {
        if (bound_ > 0) {
            for (int r = bound_; r < rows_; ++r) sqlite3_bind_null(insert_.get(), r * PerRecord() + 1);
            Insert();
        }
        insert_.reset();
        WriteIndex();
        Statement contents = Prepare(
            "UPDATE gpkg_contents SET last_change = strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), min_x = ?, min_y = ?, "
            "max_x = ?, max_y = ?");
        for (int i = 0; i < 4 && points_ > 0; ++i) sqlite3_bind_double(contents.get(), i + 1, extent_[i]);
        if (sqlite3_step(contents.get()) != SQLITE_DONE) throw Failure();
        contents.reset();
        Exec("UPDATE gpkg_ogr_contents SET feature_count = " + std::to_string(count_));
        const std::string counted = std::string("_feature_count_") + SinkTable;
        const std::string update = "UPDATE gpkg_ogr_contents SET feature_count = feature_count ";
        const std::string which = std::string(" WHERE lower(table_name) = lower('") + SinkTable + "'); END";
        Exec("CREATE TRIGGER \"trigger_insert" + counted + "\" AFTER INSERT ON " + table_ + " BEGIN " + update + "+ 1" +
             which);
        Exec("CREATE TRIGGER \"trigger_delete" + counted + "\" AFTER DELETE ON " + table_ + " BEGIN " + update + "- 1" +
             which);
        Exec(IndexTrigger("insert",
                          "AFTER INSERT ON " + table_ + " WHEN (new." + geom_ + " NOT NULL AND NOT " + Empty() + ")",
                          Put()));
        Exec("COMMIT");
        if (sqlite3_close(db_.get()) != SQLITE_OK) throw Failure();
        (void)db_.release();
    }

private:
    // The empty index, and every trigger that keeps it up to date but the
    // one for inserts, in GDAL's words.
    void CreateIndex(const std::string& geometry) {
        rtree_ = std::string("rtree_") + SinkTable + "_" + geometry;
        Exec(
            std::string("CREATE TABLE gpkg_extensions (table_name TEXT,column_name TEXT,extension_name TEXT NOT "
                        "NULL,definition TEXT NOT NULL,scope TEXT NOT NULL,CONSTRAINT ge_tce UNIQUE (table_name, "
                        "column_name, extension_name))"));
        Exec(std::string("INSERT INTO gpkg_extensions VALUES ('") + SinkTable + "', '" + geometry +
             "', 'gpkg_rtree_index', 'http://www.geopackage.org/spec120/#extension_rtree', 'write-only')");
        Exec("CREATE VIRTUAL TABLE " + Quoted(rtree_) + " USING rtree(id, minx, maxx, miny, maxy)", "index spatial");
        const std::string sameFid = "OLD." + fid_ + " = NEW." + fid_, otherFid = "OLD." + fid_ + " != NEW." + fid_;
        const std::string some = " AND (NEW." + geom_ + " NOTNULL AND NOT " + Empty() + ")";
        const std::string none = " AND (NEW." + geom_ + " ISNULL OR " + Empty() + ")";
        const std::string drop = "DELETE FROM " + Quoted(rtree_) + " WHERE id = OLD." + fid_ + ";";
        const std::string ofGeometry = "AFTER UPDATE OF " + geom_ + " ON " + table_ + " WHEN ";
        const std::string onUpdate = "AFTER UPDATE ON " + table_ + " WHEN ";
        Exec(IndexTrigger("update1", ofGeometry + sameFid + some, Put()));
        Exec(IndexTrigger("update2", ofGeometry + sameFid + none, drop));
        Exec(IndexTrigger("update3", onUpdate + otherFid + some, drop + " " + Put()));
        Exec(IndexTrigger("update4", onUpdate + otherFid + none,
                          "DELETE FROM " + Quoted(rtree_) + " WHERE id IN (OLD." + fid_ + ", NEW." + fid_ + ");"));
        Exec(IndexTrigger("delete", "AFTER DELETE ON " + table_ + " WHEN old." + geom_ + " NOT NULL", drop));

        Statement root = Prepare("SELECT length(data) FROM " + Quoted(rtree_ + "_node") + " WHERE nodeno = 1");
        if (sqlite3_step(root.get()) != SQLITE_ROW) throw Failure("index spatial");
        index_ = std::make_unique<PackedRtree>(std::size_t(sqlite3_column_int64(root.get(), 0)));
    }

    // What the triggers say of the new row's point: whether it is empty, and
    // its box into the index.
    std::string Empty() const { return "ST_IsEmpty(NEW." + geom_ + ")"; }
    std::string Put() const {
        const std::string g = "NEW." + geom_;
        return "INSERT OR REPLACE INTO " + Quoted(rtree_) + " VALUES (NEW." + fid_ + ",ST_MinX(" + g + "), ST_MaxX(" +
               g + "),ST_MinY(" + g + "), ST_MaxY(" + g + "));";
    }
    std::string IndexTrigger(const std::string& name, const std::string& when, const std::string& body) const {
        return "CREATE TRIGGER " + Quoted(rtree_ + "_" + name) + " " + when + " BEGIN " + body + " END";
    }

    // The packed index in place of the empty one.
    void WriteIndex() {
        Exec("DELETE FROM " + Quoted(rtree_ + "_node"), "index spatial");
        Statement node = Prepare("INSERT INTO " + Quoted(rtree_ + "_node") + " VALUES (?, ?)");
        Statement rowid = Prepare("INSERT INTO " + Quoted(rtree_ + "_rowid") + " VALUES (?, ?)");
        Statement parent = Prepare("INSERT INTO " + Quoted(rtree_ + "_parent") + " VALUES (?, ?)");
        const auto step = [&](sqlite3_stmt* s) {
            const int rc = sqlite3_step(s);
            sqlite3_reset(s);
            if (rc != SQLITE_DONE) throw Failure("index spatial");
        };
        index_->Build(
            [&](std::int64_t n, const std::string& blob) {
                sqlite3_bind_int64(node.get(), 1, n);
                sqlite3_bind_blob(node.get(), 2, blob.data(), int(blob.size()), SQLITE_STATIC);
                step(node.get());
            },
            [&](std::int64_t id, std::int64_t leaf) {
                sqlite3_bind_int64(rowid.get(), 1, id);
                sqlite3_bind_int64(rowid.get(), 2, leaf);
                step(rowid.get());
            },
            [&](std::int64_t n, std::int64_t up) {
                sqlite3_bind_int64(parent.get(), 1, n);
                sqlite3_bind_int64(parent.get(), 2, up);
                step(parent.get());
            });
    }

    // The insert's parameters for one record: its fid, its point, its fields.
    int PerRecord() const { return int(columns_.size()) + 2; }

    // Runs the insert on the rows bound.
    void Insert() {
        const int rc = sqlite3_step(insert_.get());
        sqlite3_reset(insert_.get());
        if (rc != SQLITE_DONE) throw Failure();
        bound_ = 0;
    }

    // Binds a value to a parameter of the insert, refusing what the column
    // cannot hold rather than changing it: a word in a numeric column, 2.5
    // in an integer one. Texts are copied: the insert runs records later.
    int Bind(int param, std::size_t i, const store::Value& v) {
        sqlite3_stmt* s = insert_.get();
        if (v.IsNull()) return sqlite3_bind_null(s, param);
        const Column column = columns_[i];
        const std::string* text = v.IfText();
        if (column == Column::Text) {
            if (text) return sqlite3_bind_text(s, param, text->data(), int(text->size()), SQLITE_TRANSIENT);
            const std::string shown = v.Text();
            return sqlite3_bind_text(s, param, shown.data(), int(shown.size()), SQLITE_TRANSIENT);
        }
        double number = 0;
        const bool numeric = !text || store::ParseNumber(*text, number);
        if (numeric) number = v.Double();
        if (!numeric || (column == Column::Integer && number != std::trunc(number)))
            throw base::RuntimeError(base::err::TypeMismatch, "champ « " + names_[i] + " » : « " + v.Text() +
                                                                  " » ne convient pas à une colonne " +
                                                                  (column == Column::Real ? "numérique." : "entière."));
        switch (column) {
        case Column::Integer: return sqlite3_bind_int64(s, param, v.Int64());
        // Any whole part but zero is true, as GIS programs read a boolean.
        case Column::Boolean: return sqlite3_bind_int(s, param, std::trunc(number) != 0 ? 1 : 0);
        default: return sqlite3_bind_double(s, param, number);
        }
    }

    Statement Prepare(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_.get(), sql.c_str(), int(sql.size()), &s, nullptr) != SQLITE_OK) throw Failure();
        return Statement(s);
    }

    void Exec(const std::string& sql, const std::string& item = {}) {
        if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) throw Failure(item);
    }

    // "écriture impossible : <file> (<item>) : <French cause> (SQLite : <its
    // message>).", error 75; a pending file is named by its target. Memory
    // running out is error 7.
    base::RuntimeError Failure(const std::string& item = {}) const {
        // Memory, as for any allocation that fails: the run's trouble.
        if (db_ && sqlite3_errcode(db_.get()) == SQLITE_NOMEM)
            return base::RuntimeError(base::err::OutOfMemory, base::OutOfMemoryText);
        int saved = db_ ? sqlite3_system_errno(db_.get()) : errno;
        if (saved == 0 && db_ && sqlite3_errcode(db_.get()) == SQLITE_FULL) saved = ENOSPC;
        std::string text = "écriture impossible : " + PendingTarget(path_);
        if (!item.empty()) text += " (" + item + ")";
        text += " : " + base::WriteFailureText(path_, saved);
        if (db_) text += " (SQLite : " + std::string(sqlite3_errmsg(db_.get())) + ")";
        return base::RuntimeError(base::err::FileAccess, text);
    }

    std::string path_;
    std::unique_ptr<sqlite3, Closer> db_;  // declared before the statements: closed after them
    Statement insert_;
    std::string table_, fid_, geom_, rtree_;
    std::vector<Column> columns_;
    std::vector<std::string> names_;
    int rows_ = 1, bound_ = 0;  // records a statement, records bound
    std::unique_ptr<PackedRtree> index_;
    std::array<double, 4> extent_{};  // min x, min y, max x, max y
    std::int64_t count_ = 0, points_ = 0;
};

}  // namespace

std::unique_ptr<OutputSink> MakeGeoPackageSink(const std::string& path) {
    return std::make_unique<GeoPackageSink>(path);
}

}  // namespace batch
