// The GeoPackage: one point layer "Conversions" in WGS 84 (EPSG:4326), so
// the records open on a map in a GIS at once. GDAL writes the file format;
// it computes nothing here.
//
// Its spatial index is packed at the end in one pass (PackedRtree.h): GDAL
// makes the empty index, its triggers and its declaration; the trigger that
// would insert each point into it one by one (two thirds of the run's time
// for a million points) is held back while the records go in, one
// transaction of prepared inserts, and put back once the index is written.

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <sqlite3.h>

#include <cmath>

#include "app/batch/Output.h"
#include "app/batch/OutputGdal.h"
#include "app/batch/PackedRtree.h"
#include "base/Errors.h"
#include "store/Driver.h"
#include "store/Value.h"

namespace batch {

namespace {

constexpr int Wgs84Code = 4326;

OGRFieldType FieldType(int type) {
    switch (type) {
    case store::dbBoolean: return OFTInteger;  // with the boolean subtype
    case store::dbByte:
    case store::dbInteger:
    case store::dbLong: return OFTInteger64;
    case store::dbCurrency:
    case store::dbSingle:
    case store::dbDouble: return OFTReal;
    default: return OFTString;
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

class GeoPackageSink : public OutputSink {
public:
    explicit GeoPackageSink(const std::string& path) : path_(path) {
        GDALDriver* driver = GdalDriver("GPKG");
        dataset_ = driver->Create(store::RealFilePath(path).c_str(), 0, 0, 0, GDT_Unknown, nullptr);
        if (!dataset_) throw GdalFailure(path);
    }

    ~GeoPackageSink() override {
        if (dataset_) GDALClose(dataset_);
    }

    void Begin(const std::vector<store::FieldDef>& fields) override {
        OGRSpatialReference wgs84;
        if (wgs84.importFromEPSG(Wgs84Code) != OGRERR_NONE) throw GdalFailure(path_, "EPSG:4326");
        wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        const std::string fid = "FID=" + FreeName(fields, "fid");
        const std::string geometry = "GEOMETRY_NAME=" + FreeName(fields, "geom");
        const char* options[] = {fid.c_str(), geometry.c_str(), "SPATIAL_INDEX=NO", nullptr};
        layer_ = dataset_->CreateLayer(SinkTable, &wgs84, wkbPoint, const_cast<char**>(options));
        if (!layer_) throw GdalFailure(path_, SinkTable);
        PrepareIndex(FreeName(fields, "geom"));
        for (const auto& f : fields) {
            OGRFieldDefn defn(f.Name.c_str(), FieldType(f.Type));
            if (f.Type == store::dbBoolean) defn.SetSubType(OFSTBoolean);
            if (layer_->CreateField(&defn) != OGRERR_NONE) throw GdalFailure(path_, "« " + f.Name + " »");
            names_.push_back(f.Name);
        }
        if (dataset_->StartTransaction() != OGRERR_NONE) throw GdalFailure(path_);
    }

    void Add(const std::vector<store::Value>& values, const std::optional<LonLat>& point) override {
        OGRFeature feature(layer_->GetLayerDefn());
        for (std::size_t i = 0; i < values.size() && i < names_.size(); ++i) Set(feature, int(i), values[i]);
        if (point) {
            OGRPoint p(point->lon, point->lat);
            feature.SetGeometry(&p);
        }
        if (layer_->CreateFeature(&feature) != OGRERR_NONE) throw GdalFailure(path_);
        if (point) index_->Add(feature.GetFID(), point->lon, point->lat);
    }

    void Finish() override {
        if (dataset_->CommitTransaction() != OGRERR_NONE) throw GdalFailure(path_);
        CPLErrorReset();
        GDALClose(dataset_);
        dataset_ = nullptr;
        if (CPLGetLastErrorType() >= CE_Failure) throw GdalFailure(path_);
        WriteIndex();
    }

private:
    // Has GDAL make the empty index, then takes its insert trigger out.
    void PrepareIndex(const std::string& geometry) {
        rtree_ = std::string("rtree_") + SinkTable + "_" + geometry;
        const std::string create = std::string("SELECT CreateSpatialIndex('") + SinkTable + "', '" + geometry + "')";
        dataset_->ReleaseResultSet(dataset_->ExecuteSQL(create.c_str(), nullptr, nullptr));
        const auto single = [&](const std::string& sql) {
            OGRLayer* result = dataset_->ExecuteSQL(sql.c_str(), nullptr, nullptr);
            OGRFeature* row = result ? result->GetNextFeature() : nullptr;
            std::string text = row ? row->GetFieldAsString(0) : "";
            OGRFeature::DestroyFeature(row);
            if (result) dataset_->ReleaseResultSet(result);
            return text;
        };
        insertTrigger_ =
            single("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND name = '" + rtree_ + "_insert'");
        const std::string bytes = single("SELECT length(data) FROM \"" + rtree_ + "_node\" WHERE nodeno = 1");
        if (insertTrigger_.empty() || bytes.empty()) throw GdalFailure(path_, "index spatial");
        index_ = std::make_unique<PackedRtree>(std::size_t(std::stoul(bytes)));
        dataset_->ExecuteSQL(("DROP TRIGGER \"" + rtree_ + "_insert\"").c_str(), nullptr, nullptr);
        if (CPLGetLastErrorType() >= CE_Failure) throw GdalFailure(path_, "index spatial");
    }

    // The packed index in place of the empty one, and the trigger back.
    void WriteIndex() {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(store::RealFilePath(path_).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
        const auto fail = [&] {
            return base::RuntimeError(base::err::FileAccess, "écriture impossible : " + PendingTarget(path_) +
                                                                 " (index spatial) : " + sqlite3_errmsg(db.get()));
        };
        const auto exec = [&](const std::string& sql) {
            if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) throw fail();
        };
        if (rc != SQLITE_OK) throw fail();
        const std::string quoted = "\"" + rtree_;
        exec("BEGIN");
        exec("DELETE FROM " + quoted + "_node\"");
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> node(nullptr, sqlite3_finalize),
            rowid(nullptr, sqlite3_finalize), parent(nullptr, sqlite3_finalize);
        const auto prepare = [&](auto& statement, const std::string& sql) {
            sqlite3_stmt* s = nullptr;
            if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &s, nullptr) != SQLITE_OK) throw fail();
            statement.reset(s);
        };
        prepare(node, "INSERT INTO " + quoted + "_node\" VALUES (?, ?)");
        prepare(rowid, "INSERT INTO " + quoted + "_rowid\" VALUES (?, ?)");
        prepare(parent, "INSERT INTO " + quoted + "_parent\" VALUES (?, ?)");
        const auto step = [&](sqlite3_stmt* s) {
            if (sqlite3_step(s) != SQLITE_DONE) throw fail();
            sqlite3_reset(s);
        };
        index_->Build(
            [&](std::int64_t n, const std::string& blob) {
                sqlite3_bind_int64(node.get(), 1, n);
                sqlite3_bind_blob(node.get(), 2, blob.data(), int(blob.size()), SQLITE_TRANSIENT);
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
        exec(insertTrigger_);
        exec("COMMIT");
    }

    void Set(OGRFeature& feature, int i, const store::Value& v) const {
        if (v.IsNull()) {
            feature.SetFieldNull(i);
            return;
        }
        const OGRFieldType type = feature.GetFieldDefnRef(i)->GetType();
        if (type == OFTString) {
            feature.SetField(i, v.Text().c_str());
            return;
        }
        // GDAL would write a word as 0 and cut 2.5 to 2 in an integer
        // column: refuse what the column cannot hold rather than change it.
        double number = 0;
        const bool numeric = v.GetKind() != store::Value::Kind::Text || store::ParseNumber(v.Text(), number);
        if (numeric) number = v.Double();
        if (!numeric || (type == OFTInteger64 && number != std::trunc(number)))
            throw base::RuntimeError(base::err::TypeMismatch, "champ « " + names_[std::size_t(i)] + " » : « " +
                                                                  v.Text() + " » ne convient pas à une colonne " +
                                                                  (type == OFTReal ? "numérique." : "entière."));
        if (type == OFTInteger64) feature.SetField(i, GIntBig(v.Int64()));
        else feature.SetField(i, number);
    }

    std::string path_;
    GdalErrors quiet_;
    GDALDataset* dataset_ = nullptr;
    OGRLayer* layer_ = nullptr;
    std::vector<std::string> names_;
    std::string rtree_, insertTrigger_;
    std::unique_ptr<PackedRtree> index_;
};

}  // namespace

std::unique_ptr<OutputSink> MakeGeoPackageSink(const std::string& path) {
    return std::make_unique<GeoPackageSink>(path);
}

}  // namespace batch
