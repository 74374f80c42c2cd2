// OpenDocument (.ods) workbooks and GeoPackage (.gpkg) files read through
// GDAL's vector drivers, one GDAL driver per format so a file is never handed
// to another reader than its ending names. Office Open XML (.xlsx) workbooks
// are read by the store itself (XlsxDriver.cpp); GDAL's reading of them stays
// here for the tests, which hold the store's reader to what it gives.
//
// Workbooks read as Excel 97 workbooks do: every sheet is a table, named
// "Sheet$" (plain "Sheet" also opens it), the first row always gives the
// field names, and a column is Long when GDAL finds only whole numbers of
// 32 bits in it, Double when it finds only numbers, Text otherwise (numbers
// then read as the text stored in the file). Dates are text, written as
// FreeXL writes them. A GeoPackage lists its feature and attribute tables by
// name; whole numbers stay whole (Long, 64 bits), and a table of points offers the X and Y
// of each point as two more Double fields, "<geometry column>_X" and "_Y", as
// stored in the file: they are often the only coordinates it holds. Lines
// and polygons are left out.
//
// GDAL reports trouble through its error handler, which would print on
// standard error: it is silenced, and a failure becomes an engine error. A
// file is first read from end to end in a child process, as workbooks and
// Access files are, so a damaged one cannot crash or stall the program. No
// file is ever written beside the input: GDAL keeps no auxiliary ".aux.xml"
// and a GeoPackage opens immutable, which leaves no "-wal" or "-shm" files
// (one a writer left with changes in it is refused). GDAL is given absolute
// paths of real files only: never one of its virtual "/vsi..." paths.

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "store/EngineError.h"
#include "store/detail/Drivers.h"
#include "store/detail/FileVersion.h"
#include "store/detail/Isolated.h"

namespace store::detail {

namespace {

constexpr int DefaultTextSize = 255;

// How this driver has GDAL read, set for this thread only so that other
// users of GDAL in the process keep its defaults.
constexpr std::pair<const char*, const char*> ReadingOptions[] = {
    {"GDAL_PAM_ENABLED", "NO"},  // no ".aux.xml" side files
    // The first row names the fields, as in an Excel 97 sheet, even when it
    // holds numbers. (Workbooks are parsed lazily: on any call, not only opening.)
    {"OGR_XLSX_HEADERS", "FORCE"},
    {"OGR_ODS_HEADERS", "FORCE"}};

// While it lives, this thread's GDAL calls are silent and read as above;
// failures are told by return values and CPLGetLastErrorType, and reported
// in French by the caller. Without `reading`, only silent: setting the
// options costs more than decoding a GeoPackage's point, and only opening
// one heeds them.
class QuietGdal {
public:
    explicit QuietGdal(bool reading = true) {
        static std::once_flag once;
        std::call_once(once, [] {
            // Only the drivers read with: registering all of GDAL's two
            // hundred touches several megabytes of their code for nothing.
            CPLPushErrorHandler(CPLQuietErrorHandler);  // drivers loading may complain
            RegisterOGRGeoPackage();
            RegisterOGRXLSX();
            RegisterOGRODS();
            CPLPopErrorHandler();
        });
        for (const auto& [key, value] : ReadingOptions) {
            if (!reading) break;
            const char* before = CPLGetThreadLocalConfigOption(key, nullptr);
            before_.emplace_back(before ? before : "", before != nullptr);
            CPLSetThreadLocalConfigOption(key, value);
        }
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() {
        CPLPopErrorHandler();
        for (std::size_t i = 0; i < before_.size(); ++i)
            CPLSetThreadLocalConfigOption(ReadingOptions[i].first,
                                          before_[i].second ? before_[i].first.c_str() : nullptr);
    }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;

private:
    std::vector<std::pair<std::string, bool>> before_;
};

struct DatasetCloser {
    void operator()(void* dataset) const {
        const QuietGdal quiet;
        GDALClose(dataset);
    }
};
using DatasetPtr = std::unique_ptr<void, DatasetCloser>;

struct FeatureCloser {
    void operator()(void* feature) const { OGR_F_Destroy(feature); }
};
using FeaturePtr = std::unique_ptr<void, FeatureCloser>;

struct Format {
    const char* gdalName;  // the only GDAL driver tried on the file
    bool workbook;         // sheets: "$" names, numbers as doubles
};

// The size of a file, 0 when it is missing.
std::uintmax_t SizeOf(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// A GeoPackage opens immutable: SQLite then takes no lock, writes nothing
// beside the file and ignores its journals. Changes a writer has left in a
// journal cannot be read that way, and reading them otherwise means writing
// (SQLite builds the index of a "-wal" in "-shm" and folds the "-wal" into the
// file on closing): such a file is refused, the program that holds it named.
void RefusePendingChanges(const std::string& path) {
    constexpr std::uintmax_t WalHeader = 32;  // a "-wal" holding no frame
    constexpr unsigned char HotJournal[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
    std::string journal;
    if (SizeOf(path + "-wal") > WalHeader) {
        journal = path + "-wal";
    } else if (std::FILE* f = std::fopen((path + "-journal").c_str(), "rb")) {
        unsigned char head[sizeof HotJournal] = {};
        if (std::fread(head, 1, sizeof head, f) == sizeof head && std::equal(head, head + sizeof head, HotJournal))
            journal = path + "-journal";
        std::fclose(f);
    }
    if (!journal.empty())
        throw EngineError(base::err::Locked,
                          "Le fichier '" + path + "' a des modifications en attente dans son journal '" + journal +
                              "' : un programme l'écrit, ou a été interrompu en l'écrivant. Elles ne peuvent pas être "
                              "lues sans modifier le fichier. Fermez ce programme (ou ouvrez-y le fichier une fois "
                              "pour terminer l'écriture), puis recommencez.");
}

DatasetPtr OpenDataset(const Format& format, const std::string& path) {
    const std::string real = RealFilePath(path);
    if (!format.workbook) RefusePendingChanges(real);
    const QuietGdal quiet;
    const char* const allowed[] = {format.gdalName, nullptr};
    const char* const options[] = {"IMMUTABLE=YES", nullptr};
    DatasetPtr dataset(GDALOpenEx(real.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, allowed,
                                  format.workbook ? nullptr : options, nullptr));
    // A failure on the way (a workbook's sheet cut short) would leave a table
    // missing its last records.
    if (!dataset || CPLGetLastErrorType() >= CE_Failure) throw Error(base::err::UnreadableFile, path);
    return dataset;
}

// A workbook's sheet is parsed whole, into memory, when its layer is first
// read, and a run reads its input twice in a row: a few records to judge
// whether they suit the input system, then all of them. A cursor that stopped
// early leaves its dataset here for the next cursor on the same sheet of the
// same, unchanged file, so that the sheet is parsed once (a million rows take
// seconds). One is kept at most; a cursor that read to the end frees its own.
class ParkedSheet {
public:
    // The dataset parked for this sheet of this file, or none.
    static DatasetPtr Take(const std::string& path, const std::string& layer) {
        const std::lock_guard lock(mutex_);
        Slot& slot = TheSlot();
        DatasetPtr dataset;
        if (slot.dataset && slot.path == path && slot.layer == layer && slot.version == FileVersion::Of(path))
            dataset = std::move(slot.dataset);
        slot = {};  // any other sheet parked is not the one wanted next
        return dataset;
    }
    static void Park(const std::string& path, const std::string& layer, DatasetPtr dataset) {
        const std::lock_guard lock(mutex_);
        TheSlot() = {path, layer, FileVersion::Of(path), std::move(dataset)};
    }

private:
    struct Slot {
        std::string path, layer;
        FileVersion version;
        DatasetPtr dataset;
    };
    static inline std::mutex mutex_;
    // Never destroyed: closing a dataset while the program exits could run
    // after GDAL's own state is gone.
    static Slot& TheSlot() {
        static Slot& slot = *new Slot;
        return slot;
    }
};

// A layer's fields as the engine sees them: what each reads from a feature.
struct Column {
    enum class From { Number, Integer, Text, Date, PointX, PointY } from;
    int index = -1;  // the OGR field
};

// A date, a time or both as FreeXL gives Excel 97 dates: "2024-01-31",
// "08:30:00", "2024-01-31 08:30:00" (fractions of seconds dropped).
Value DateText(OGRFeatureH feature, int index) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, tz = 0;
    float sec = 0;
    if (!OGR_F_GetFieldAsDateTimeEx(feature, index, &y, &mo, &d, &h, &mi, &sec, &tz)) return Value();
    char text[48];
    const int type = OGR_Fld_GetType(OGR_F_GetFieldDefnRef(feature, index));
    if (type == OFTDate) std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, mo, d);
    else if (type == OFTTime) std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, mi, int(sec));
    else std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, int(sec));
    return Value(std::string(text));
}

class GdalCursor final : public TableCursor {
public:
    GdalCursor(const Format& format, const std::string& path, const std::string& layer)
        : format_(format), path_(path), layerName_(layer) {
        if (format_.workbook) dataset_ = ParkedSheet::Take(path_, layerName_);
        if (!dataset_) dataset_ = OpenDataset(format, path);
        const QuietGdal quiet;
        layer_ = GDALDatasetGetLayerByName(dataset_.get(), layer.c_str());
        if (!layer_) throw Error(base::err::ObjectNotFound, layer);
        // A workbook's sheet is parsed here: one that fails part-way would
        // read as a table cut short.
        OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer_);
        if (CPLGetLastErrorType() >= CE_Failure) throw Error(base::err::UnreadableFile, path_);
        for (int i = 0, n = OGR_FD_GetFieldCount(defn); i < n; ++i) {
            OGRFieldDefnH field = OGR_FD_GetFieldDefn(defn, i);
            FieldDef def{OGR_Fld_GetNameRef(field), dbText, DefaultTextSize};
            Column column{Column::From::Text, i};
            switch (OGR_Fld_GetType(field)) {
            case OFTInteger:
                column.from = Column::From::Integer;
                def = {def.Name, dbLong, 0};
                break;
            case OFTInteger64:
                // A workbook's whole numbers past 32 bits read as doubles, as
                // their 15-digit text always had them.
                column.from = format_.workbook ? Column::From::Number : Column::From::Integer;
                def = {def.Name, format_.workbook ? dbDouble : dbLong, 0};
                break;
            case OFTReal:
                column.from = Column::From::Number;
                def = {def.Name, dbDouble, 0};
                break;
            case OFTDate:
            case OFTDateTime:
                // Still their text, typed as dates so that outputs able to
                // hold a date (a workbook's date cells) make them one again.
                column.from = Column::From::Date;
                def = {def.Name, dbDate, 0};
                break;
            case OFTTime: column.from = Column::From::Date; break;
            default:
                if (OGR_Fld_GetType(field) == OFTString && OGR_Fld_GetWidth(field) > 0)
                    def.Size = std::min(OGR_Fld_GetWidth(field), DefaultTextSize);
                break;
            }
            fields_.push_back(def);
            columns_.push_back(column);
        }
        // A column declared "GEOMETRY" may hold points: its others read as Null.
        if (const auto type = wkbFlatten(OGR_L_GetGeomType(layer_)); type == wkbPoint || type == wkbUnknown) {
            std::string geometry = OGR_L_GetGeometryColumn(layer_);
            if (geometry.empty()) geometry = "geom";
            fields_.push_back({geometry + "_X", dbDouble, 0});
            fields_.push_back({geometry + "_Y", dbDouble, 0});
            columns_.push_back({Column::From::PointX});
            columns_.push_back({Column::From::PointY});
        }
        CleanFieldNames(fields_);
        OGR_L_ResetReading(layer_);
    }

    ~GdalCursor() override {
        if (format_.workbook && !spent_ && dataset_) ParkedSheet::Park(path_, layerName_, std::move(dataset_));
    }
    GdalCursor(const GdalCursor&) = delete;
    GdalCursor& operator=(const GdalCursor&) = delete;

    const std::vector<FieldDef>& Fields() const override { return fields_; }

    long Count() override {
        const QuietGdal quiet;
        const GIntBig n = OGR_L_GetFeatureCount(layer_, TRUE);
        return n >= 0 && CPLGetLastErrorType() < CE_Failure ? long(n) : -1;
    }

    // A workbook's sheet is held in memory; other layers skip inside GDAL,
    // still cheaper than building the rows passed over.
    bool Seek(long row) override {
        const QuietGdal quiet;
        pastEnd_ = OGR_L_SetNextByIndex(layer_, GIntBig(std::max(row, 0L))) != OGRERR_NONE;
        if (pastEnd_ && CPLGetLastErrorType() >= CE_Failure) {
            spent_ = true;
            throw Error(base::err::UnreadableFile, path_);
        }
        return true;
    }

    bool Next(std::vector<Value>& row) override {
        if (pastEnd_) return false;               // a layer refusing a row past its end keeps its old position
        const QuietGdal quiet(format_.workbook);  // a sheet may still be parsed here
        const FeaturePtr feature(OGR_L_GetNextFeature(layer_));
        if (!feature) {
            // The end of the table, or a read that failed part-way: the
            // records after it must not silently go missing.
            spent_ = true;
            if (CPLGetLastErrorType() >= CE_Failure) throw Error(base::err::UnreadableFile, path_);
            return false;
        }
        row.assign(fields_.size(), Value());
        OGRGeometryH point = OGR_F_GetGeometryRef(feature.get());
        if (point && (wkbFlatten(OGR_G_GetGeometryType(point)) != wkbPoint || OGR_G_IsEmpty(point))) point = nullptr;
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            const Column& column = columns_[c];
            switch (column.from) {
            case Column::From::PointX:
                if (point) row[c] = Value(OGR_G_GetX(point, 0));
                continue;
            case Column::From::PointY:
                if (point) row[c] = Value(OGR_G_GetY(point, 0));
                continue;
            default: break;
            }
            if (!OGR_F_IsFieldSetAndNotNull(feature.get(), column.index)) continue;
            switch (column.from) {
            case Column::From::Number: row[c] = Value(OGR_F_GetFieldAsDouble(feature.get(), column.index)); break;
            case Column::From::Integer:
                row[c] = Value(std::int64_t(OGR_F_GetFieldAsInteger64(feature.get(), column.index)));
                break;
            case Column::From::Date: row[c] = DateText(feature.get(), column.index); break;
            default: row[c] = Value(std::string(OGR_F_GetFieldAsString(feature.get(), column.index))); break;
            }
        }
        return true;
    }

private:
    Format format_;
    std::string path_, layerName_;
    DatasetPtr dataset_;
    OGRLayerH layer_ = nullptr;
    bool spent_ = false;  // read to its end, or failed: nothing worth sharing
    std::vector<FieldDef> fields_;
    std::vector<Column> columns_;
    bool pastEnd_ = false;
};

// The tables are listed once; each cursor opens the file again, as a GDAL
// layer has a single reading position and two cursors may read one table.
class GdalSource final : public SourceDatabase {
public:
    GdalSource(const Format& format, const std::string& path) : format_(format), path_(path) {
        const DatasetPtr dataset = OpenDataset(format_, path_);
        const QuietGdal quiet;
        for (int i = 0, n = GDALDatasetGetLayerCount(dataset.get()); i < n; ++i)
            layers_.emplace_back(OGR_L_GetName(GDALDatasetGetLayer(dataset.get(), i)));
    }

    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        for (const auto& layer : layers_) names.push_back(format_.workbook ? layer + "$" : layer);
        return names;
    }

    std::unique_ptr<TableCursor> OpenTable(const std::string& name) override {
        for (std::size_t i = 0; i < layers_.size(); ++i)
            if (SameText(layers_[i], name) || (format_.workbook && SameText(layers_[i] + "$", name)))
                return std::make_unique<GdalCursor>(format_, path_, layers_[i]);
        throw Error(base::err::ObjectNotFound, name);
    }

private:
    Format format_;
    std::string path_;
    std::vector<std::string> layers_;
};

class GdalDriver final : public Driver {
public:
    explicit GdalDriver(Format format) : format_(format) {}

    std::unique_ptr<SourceDatabase> Open(const std::string& path) override {
        RealFilePath(path);  // a virtual path is refused before anything else is said of it
        CheckFileKind(path);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) throw Error(base::err::FileNotFound, path);
        CheckFileInChild(format_.gdalName, path, [&] {
            GdalSource source(format_, path);
            std::vector<Value> row;
            for (const std::string& name : source.TableNames())
                for (const auto cursor = source.OpenTable(name); cursor->Next(row);) {}
            return true;
        });
        return std::make_unique<GdalSource>(format_, path);
    }

private:
    Format format_;
};

}  // namespace

std::shared_ptr<Driver> MakeGdalXlsxDriver() { return std::make_shared<GdalDriver>(Format{"XLSX", true}); }
std::shared_ptr<Driver> MakeOdsDriver() { return std::make_shared<GdalDriver>(Format{"ODS", true}); }
std::shared_ptr<Driver> MakeGpkgDriver() { return std::make_shared<GdalDriver>(Format{"GPKG", false}); }

}  // namespace store::detail
