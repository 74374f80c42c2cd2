#include "app/batch/PackedRtree.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace batch {

namespace {

constexpr std::size_t HeaderBytes = 4;        // depth (root only), then the cell count
constexpr std::size_t CellBytes = 8 + 4 * 4;  // id, then four single-precision bounds
constexpr std::size_t MinFanout = 2;
constexpr std::size_t BlockEntries = std::size_t(1) << 16;

// Single precision toward minus or plus infinity, so that the box holds the point.
float Down(double v) {
    float f = static_cast<float>(v);
    return double(f) > v ? std::nextafter(f, -HUGE_VALF) : f;
}
float Up(double v) {
    float f = static_cast<float>(v);
    return double(f) < v ? std::nextafter(f, HUGE_VALF) : f;
}

void PutBigEndian(std::string& out, std::uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += char((v >> (8 * i)) & 0xFF);
}

}  // namespace

PackedRtree::PackedRtree(std::size_t nodeBytes)
    : nodeBytes_(nodeBytes), fanout_(std::max(MinFanout, (nodeBytes - HeaderBytes) / CellBytes)) {}

void PackedRtree::Add(std::int64_t id, double x, double y) {
    if (blocks_.empty() || blocks_.back().size() == BlockEntries) {
        blocks_.emplace_back();
        blocks_.back().reserve(BlockEntries);
    }
    blocks_.back().push_back({id, {Down(x), Up(x), Down(y), Up(y)}});
    ++size_;
}

std::string PackedRtree::Blob(const Entry* cells, std::size_t count, int depth) const {
    std::string blob;
    blob.reserve(nodeBytes_);
    PutBigEndian(blob, std::uint64_t(depth), 2);
    PutBigEndian(blob, count, 2);
    for (std::size_t i = 0; i < count; ++i) {
        PutBigEndian(blob, std::uint64_t(cells[i].id), 8);
        for (const float f : cells[i].box) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &f, sizeof bits);
            PutBigEndian(blob, bits, 4);
        }
    }
    blob.resize(std::max(blob.size(), nodeBytes_), '\0');
    return blob;
}

void PackedRtree::Build(const std::function<void(std::int64_t, const std::string&)>& node,
                        const std::function<void(std::int64_t, std::int64_t)>& rowid,
                        const std::function<void(std::int64_t, std::int64_t)>& parent) {
    std::vector<Entry> level;
    level.reserve(size_);
    for (auto& block : blocks_) {
        level.insert(level.end(), block.begin(), block.end());
        std::vector<Entry>().swap(block);
    }
    blocks_ = {};
    size_ = 0;
    // Each point's leaf, told in the order of the ids: rows inserted in key
    // order fill the table's pages one after the other, where the order of
    // the tree would rewrite pages all over it.
    std::int64_t low = 0, high = 0;
    if (!level.empty()) {
        const auto [lo, hi] =
            std::minmax_element(level.begin(), level.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
        low = lo->id;
        high = hi->id;
    }
    const bool dense = !level.empty() && std::uint64_t(high - low) < 4 * std::uint64_t(level.size());
    std::vector<std::uint32_t> leafOf(dense ? std::size_t(high - low + 1) : 0, 0);  // 0: no point
    std::vector<std::pair<std::int64_t, std::int64_t>> sparse;
    const auto placed = [&](std::int64_t id, std::int64_t leaf) {
        if (dense) leafOf[std::size_t(id - low)] = std::uint32_t(leaf);
        else sparse.emplace_back(id, leaf);
    };
    const auto tellLeaves = [&] {
        for (std::size_t i = 0; i < leafOf.size(); ++i)
            if (leafOf[i] != 0) rowid(low + std::int64_t(i), leafOf[i]);
        std::sort(sparse.begin(), sparse.end());
        for (const auto& [id, leaf] : sparse) rowid(id, leaf);
    };
    std::int64_t next = 2;  // node 1 is the root
    const auto centre = [](const Entry& e, int axis) { return double(e.box[2 * axis]) + e.box[2 * axis + 1]; };
    for (int depth = 0;; ++depth) {
        const auto link = [&](const Entry& cell, std::int64_t at) {
            if (depth == 0) placed(cell.id, at);
            else parent(cell.id, at);
        };
        if (level.size() <= fanout_) {
            node(1, Blob(level.data(), level.size(), depth));
            for (const Entry& cell : level) link(cell, 1);
            tellLeaves();
            return;
        }
        // Vertical slices of whole nodes, each in latitude order.
        const std::size_t nodes = (level.size() + fanout_ - 1) / fanout_;
        const auto slices = std::size_t(std::ceil(std::sqrt(double(nodes))));
        const std::size_t perSlice = slices * fanout_;
        std::sort(level.begin(), level.end(),
                  [&](const Entry& a, const Entry& b) { return centre(a, 0) < centre(b, 0); });
        for (std::size_t s = 0; s < level.size(); s += perSlice)
            std::sort(level.begin() + std::ptrdiff_t(s),
                      level.begin() + std::ptrdiff_t(std::min(level.size(), s + perSlice)),
                      [&](const Entry& a, const Entry& b) { return centre(a, 1) < centre(b, 1); });
        std::vector<Entry> up;
        up.reserve(nodes);
        for (std::size_t first = 0; first < level.size(); first += fanout_) {
            const std::size_t count = std::min(fanout_, level.size() - first);
            const Entry* cells = level.data() + first;
            Entry box{next++, {cells[0].box[0], cells[0].box[1], cells[0].box[2], cells[0].box[3]}};
            for (std::size_t i = 0; i < count; ++i) {
                box.box[0] = std::min(box.box[0], cells[i].box[0]);
                box.box[1] = std::max(box.box[1], cells[i].box[1]);
                box.box[2] = std::min(box.box[2], cells[i].box[2]);
                box.box[3] = std::max(box.box[3], cells[i].box[3]);
                link(cells[i], box.id);
            }
            node(box.id, Blob(cells, count, 0));
            up.push_back(box);
        }
        level = std::move(up);
    }
}

}  // namespace batch
