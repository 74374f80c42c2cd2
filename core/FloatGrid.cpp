// GeoTIFF grids through libtiff: the samples as libtiff decodes them
// (tiles or strips, bands interleaved or apart, any compression and
// predictor it knows), the georeference from the three GeoTIFF tags read as
// plain TIFF fields. That is all the shipped grids need, and it keeps GDAL
// and libgeotiff out of the core.

#include "core/FloatGrid.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "base/Errors.h"
#include "store/AppFiles.h"

namespace core {

namespace {

constexpr ttag_t ModelPixelScaleTag = 33550;
constexpr ttag_t ModelTiepointTag = 33922;
constexpr ttag_t GeoKeyDirectoryTag = 34735;
constexpr std::uint16_t GTRasterTypeGeoKey = 1025;
constexpr std::uint16_t RasterPixelIsArea = 1;
// Far above any grid shipped (a few million values) and far below memory.
constexpr double MaxValues = 256.0 * 1024 * 1024;
// Points this close to an edge, in cells (under a millimetre on the shipped
// grids), are on it: dividing by the spacing is not exact, and an iterated
// inverse ends within its tolerance of a node, not on it.
constexpr double EdgeSlack = 1e-6;

// libtiff's messages go to the file's error, never to standard error.
int KeepMessage(TIFF*, void* user, const char*, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    *static_cast<std::string*>(user) = text;
    return 1;
}
int DropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

[[noreturn]] void Unreadable(const std::string& path, const std::string& why) {
    throw base::RuntimeError(base::err::FileRead, "Grille illisible : " + path + " (" + why + ").");
}

// The values of a GeoTIFF tag and their number. libtiff knows these tags as
// unknown ones (a 32-bit count) unless libgeotiff has defined them in this
// process, through GDAL (a 16-bit count).
template <typename T>
const T* TagValues(TIFF* tif, ttag_t tag, std::uint32_t& n) {
    n = 0;
    const T* values = nullptr;
    const TIFFField* field = TIFFFindField(tif, tag, TIFF_ANY);
    if (!field) return nullptr;
    if (TIFFFieldReadCount(field) == TIFF_VARIABLE2) {
        if (TIFFGetField(tif, tag, &n, &values) != 1) return nullptr;
    } else {
        std::uint16_t n16 = 0;
        if (TIFFGetField(tif, tag, &n16, &values) != 1) return nullptr;
        n = n16;
    }
    return values;
}

// A GeoTIFF tag of `count` or more doubles, or null.
const double* Doubles(TIFF* tif, ttag_t tag, std::uint32_t count) {
    std::uint32_t n = 0;
    const double* values = TagValues<double>(tif, tag, n);
    return values && n >= count ? values : nullptr;
}

bool PixelIsArea(TIFF* tif) {
    std::uint32_t n = 0;
    const std::uint16_t* keys = TagValues<std::uint16_t>(tif, GeoKeyDirectoryTag, n);
    if (!keys || n < 4) return true;  // GeoTIFF's default
    const std::uint32_t count = keys[3];
    for (std::uint32_t k = 0; k < count && 4 * (k + 2) <= n; ++k) {
        const std::uint16_t* key = keys + 4 * (k + 1);
        if (key[0] == GTRasterTypeGeoKey && key[1] == 0) return key[3] == RasterPixelIsArea;
    }
    return true;
}

}  // namespace

FloatGrid FloatGrid::Read(const std::string& path, int bands) {
    std::string message;
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepMessage, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), DropWarning, nullptr);
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFOpenExt(path.c_str(), "r", options.get()));
    if (!tif) {
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
            Unreadable(path, message.empty() ? "pas un fichier TIFF" : message);
        }
        throw base::RuntimeError(base::err::NoSuchFile, "Grille introuvable : " + path + ".");
    }
    TIFF* t = tif.get();

    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 1, bits = 0, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
    if (bits != 32 || format != SAMPLEFORMAT_IEEEFP) Unreadable(path, "valeurs autres que des réels 32 bits");
    if (width < 2 || height < 2 || samples < 1) Unreadable(path, "moins de 2 × 2 nœuds");
    if (bands <= 0 || bands > samples) bands = samples;
    if (double(width) * height * bands > MaxValues) Unreadable(path, "grille trop grande");

    const double* scale = Doubles(t, ModelPixelScaleTag, 2);
    const double* tie = Doubles(t, ModelTiepointTag, 6);
    if (!scale || !tie) Unreadable(path, "pas de géoréférencement GeoTIFF");
    FloatGrid g;
    g.columns_ = int(width);
    g.rows_ = int(height);
    g.lonStep_ = scale[0];
    g.latStep_ = scale[1];
    if (!(g.lonStep_ > 0 && g.latStep_ > 0)) Unreadable(path, "pas de la grille nul ou négatif");
    const double half = PixelIsArea(t) ? 0.5 : 0.0;
    g.west_ = tie[3] + (half - tie[0]) * g.lonStep_;
    g.north_ = tie[4] - (half - tie[1]) * g.latStep_;
    if (!(std::isfinite(g.west_) && std::isfinite(g.north_))) Unreadable(path, "origine invalide");

    // Every block (tile or strip) of every band wanted, copied into place.
    const bool tiled = TIFFIsTiled(t) != 0;
    std::uint32_t blockW = width, blockH = 0;
    if (tiled) {
        TIFFGetField(t, TIFFTAG_TILEWIDTH, &blockW);
        TIFFGetField(t, TIFFTAG_TILELENGTH, &blockH);
    } else {
        TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &blockH);
        if (blockH > height) blockH = height;
    }
    if (blockW == 0 || blockH == 0) Unreadable(path, "blocs vides");
    const std::uint32_t perPixel = planar == PLANARCONFIG_SEPARATE ? 1 : samples;
    const double blockValues = double(blockW) * blockH * perPixel;
    if (blockValues > MaxValues) Unreadable(path, "blocs trop grands");
    std::vector<float> block(static_cast<std::size_t>(blockValues));
    const tmsize_t blockBytes = tmsize_t(block.size() * sizeof(float));

    g.values_.assign(std::size_t(bands), std::vector<float>(std::size_t(width) * height));
    const int passes = planar == PLANARCONFIG_SEPARATE ? bands : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (std::uint32_t y0 = 0; y0 < height; y0 += blockH) {
            for (std::uint32_t x0 = 0; x0 < width; x0 += blockW) {
                const auto sample = std::uint16_t(planar == PLANARCONFIG_SEPARATE ? pass : 0);
                const tmsize_t got =
                    tiled ? TIFFReadEncodedTile(t, TIFFComputeTile(t, x0, y0, 0, sample), block.data(), blockBytes)
                          : TIFFReadEncodedStrip(t, TIFFComputeStrip(t, y0, sample), block.data(), blockBytes);
                if (got < 0) Unreadable(path, message.empty() ? "bloc illisible" : message);
                const std::uint32_t rowsIn = std::min(blockH, height - y0);
                const std::uint32_t colsIn = std::min(blockW, width - x0);
                if (std::size_t(got) < (std::size_t(rowsIn - 1) * blockW + colsIn) * perPixel * sizeof(float))
                    Unreadable(path, "bloc tronqué");
                for (std::uint32_t r = 0; r < rowsIn; ++r)
                    for (std::uint32_t c = 0; c < colsIn; ++c) {
                        const std::size_t at = std::size_t(y0 + r) * width + (x0 + c);
                        const float* px = block.data() + (std::size_t(r) * blockW + c) * perPixel;
                        if (planar == PLANARCONFIG_SEPARATE) g.values_[std::size_t(pass)][at] = px[0];
                        else
                            for (int b = 0; b < bands; ++b) g.values_[std::size_t(b)][at] = px[b];
                    }
            }
        }
    }
    return g;
}

bool FloatGrid::Interpolate(double lonDeg, double latDeg, int count, double* values) const {
    double x = (lonDeg - west_) / lonStep_;
    double y = (north_ - latDeg) / latStep_;
    const double lastX = columns_ - 1, lastY = rows_ - 1;
    if (!(x >= -EdgeSlack && x <= lastX + EdgeSlack && y >= -EdgeSlack && y <= lastY + EdgeSlack)) return false;
    x = std::clamp(x, 0.0, lastX);
    y = std::clamp(y, 0.0, lastY);
    // The cell whose north-west node is (c, r); the last row and column of
    // nodes close the cells before them.
    const int c = std::min(int(x), columns_ - 2);
    const int r = std::min(int(y), rows_ - 2);
    const double fx = x - c, fy = y - r;
    const std::size_t nw = std::size_t(r) * std::size_t(columns_) + std::size_t(c);
    const std::size_t sw = nw + std::size_t(columns_);
    count = std::min(count, Bands());
    for (int b = 0; b < count; ++b) {
        const std::vector<float>& v = values_[std::size_t(b)];
        values[b] =
            (1 - fx) * (1 - fy) * v[nw] + fx * (1 - fy) * v[nw + 1] + (1 - fx) * fy * v[sw] + fx * fy * v[sw + 1];
    }
    return true;
}

ShippedGrid::ShippedGrid(const std::string& fileName, int bands) {
    const std::string path = store::ShippedFile(fileName);
    if (path.empty()) {
        errorNumber_ = base::err::NoSuchFile;
        errorText_ = "Grille introuvable : " + fileName + " (ni dans " + store::AppFolder() + " ni dans " +
                     store::InstalledDataFolder(store::AppFolder()) + ").";
        return;
    }
    try {
        grid_ = FloatGrid::Read(path, bands);
    } catch (const base::RuntimeError& e) {
        errorNumber_ = e.number;
        errorText_ = e.what();
    }
}

const FloatGrid& ShippedGrid::Get() const {
    if (errorNumber_ != 0) throw base::RuntimeError(errorNumber_, errorText_);
    return grid_;
}

}  // namespace core
