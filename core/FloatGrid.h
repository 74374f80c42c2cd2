#pragma once
// A grid of single-precision values on a regular longitude-latitude lattice,
// read from a GeoTIFF file: the shift grids and height models the program
// ships (data/*.tif).
//
// Each band is held in memory as read, row 0 the northernmost. Values between
// nodes are interpolated bilinearly from the four surrounding nodes, as NTv2
// defines it for its offsets. The file's georeferencing gives the first node
// and the spacing; a PixelIsArea file has its nodes at the centres of its
// pixels, a PixelIsPoint file on its tie point.

#include <cstddef>
#include <string>
#include <vector>

namespace core {

class FloatGrid {
public:
    // Reads the first `bands` bands of the GeoTIFF at `path` (every band
    // when 0). Throws base::RuntimeError naming the file: err::NoSuchFile
    // when it cannot be opened, err::FileRead when it is not a grid of
    // 32-bit floating-point samples with a longitude-latitude georeference.
    static FloatGrid Read(const std::string& path, int bands = 0);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int Bands() const { return int(values_.size()); }
    double West() const { return west_; }        // longitude of column 0, degrees
    double North() const { return north_; }      // latitude of row 0, degrees
    double LonStep() const { return lonStep_; }  // degrees, positive
    double LatStep() const { return latStep_; }  // degrees, positive (rows go south)

    // The value of `band` at node (column, row); both must lie in the grid.
    float Node(int band, int column, int row) const {
        return values_[std::size_t(band)][std::size_t(row) * std::size_t(columns_) + std::size_t(column)];
    }

    // Bilinear values of bands 0 .. count-1 at (lonDeg, latDeg) written to
    // values[0 .. count-1]; false, writing nothing, when the point lies
    // outside the lattice of nodes (or is NaN). The grid's edges belong to it.
    bool Interpolate(double lonDeg, double latDeg, int count, double* values) const;

private:
    int columns_ = 0, rows_ = 0;
    double west_ = 0, north_ = 0, lonStep_ = 0, latStep_ = 0;
    std::vector<std::vector<float>> values_;  // per band, row-major
};

// A grid shipped with the program (data/, beside the executable or in the
// installed data folder), read once, at the first Get(): no file is opened
// per point. Meant as a function-local static, which makes the first use
// thread-safe. A failure to read it is kept and thrown again by every Get().
class ShippedGrid {
public:
    ShippedGrid(const std::string& fileName, int bands);
    // Throws the kept failure: err::NoSuchFile when the file is in neither
    // folder, else FloatGrid::Read's.
    const FloatGrid& Get() const;

private:
    FloatGrid grid_;
    int errorNumber_ = 0;
    std::string errorText_;
};

}  // namespace core
