// The GeoPackage: one point layer "Conversions" in WGS 84 (EPSG:4326), so
// the records open on a map in a GIS at once. GDAL writes the file format;
// it computes nothing here.

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>

#include "app/batch/Output.h"
#include "app/batch/OutputGdal.h"
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
        const char* options[] = {fid.c_str(), geometry.c_str(), nullptr};
        layer_ = dataset_->CreateLayer(SinkTable, &wgs84, wkbPoint, const_cast<char**>(options));
        if (!layer_) throw GdalFailure(path_, SinkTable);
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
    }

    void Finish() override {
        if (dataset_->CommitTransaction() != OGRERR_NONE) throw GdalFailure(path_);
        CPLErrorReset();
        GDALClose(dataset_);
        dataset_ = nullptr;
        if (CPLGetLastErrorType() >= CE_Failure) throw GdalFailure(path_);
    }

private:
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
            throw base::RuntimeError(base::err::TypeMismatch,
                                     "champ « " + names_[std::size_t(i)] + " » : « " + v.Text() + " » ne convient pas à une colonne " +
                                         (type == OFTReal ? "numérique." : "entière."));
        if (type == OFTInteger64) feature.SetField(i, GIntBig(v.Int64()));
        else feature.SetField(i, number);
    }

    std::string path_;
    GdalErrors quiet_;
    GDALDataset* dataset_ = nullptr;
    OGRLayer* layer_ = nullptr;
    std::vector<std::string> names_;
};

}  // namespace

std::unique_ptr<OutputSink> MakeGeoPackageSink(const std::string& path) {
    return std::make_unique<GeoPackageSink>(path);
}

}  // namespace batch
