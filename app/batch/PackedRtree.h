#pragma once
// An R-tree packed in one pass from every point of a table, in the node
// layout of SQLite's R*Tree module (the spatial index of a GeoPackage), so
// that a million points are indexed without a million tree insertions.
// Points are sorted into vertical slices, each slice by latitude (the
// "sort-tile-recursive" packing), and every node but the last of a level
// filled.
//
//   batch::PackedRtree tree(nodeBytes);          // the size of the root's blob
//   tree.Add(fid, lon, lat);                     // each point
//   tree.Build([&](std::int64_t node, const std::string& blob) { ... },
//              [&](std::int64_t fid, std::int64_t leaf) { ... },
//              [&](std::int64_t node, std::int64_t parent) { ... });

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace batch {

class PackedRtree {
public:
    // `nodeBytes`: the size of every node, as the table's empty root has it.
    explicit PackedRtree(std::size_t nodeBytes);

    void Add(std::int64_t id, double x, double y);
    std::size_t Size() const { return size_; }

    // The rows of the three tables behind the index: each node (the root is
    // node 1, the last), where each id is (in the order of the ids), each
    // node's parent. Empties the points.
    void Build(const std::function<void(std::int64_t node, const std::string& blob)>& node,
               const std::function<void(std::int64_t id, std::int64_t leaf)>& rowid,
               const std::function<void(std::int64_t node, std::int64_t parent)>& parent);

    // Cells a node holds.
    std::size_t Fanout() const { return fanout_; }

private:
    struct Entry {
        std::int64_t id;  // a point's id, or a child node's number
        float box[4];     // min x, max x, min y, max y
    };
    std::string Blob(const Entry* cells, std::size_t count, int depth) const;

    std::size_t nodeBytes_, fanout_;
    // In blocks, gathered once into one array by Build: a single growing
    // array would hold its old and new copies at once, half as much again
    // as the points need.
    std::vector<std::vector<Entry>> blocks_;
    std::size_t size_ = 0;
};

}  // namespace batch
