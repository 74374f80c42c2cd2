// The list items name systems by convention: "<country> Geographic <code>" for
// a datum (the world and European rows by their code alone), "<country> MGRS"
// for the MGRS grid on that country's UTM projection, "BE IFBL" for the
// floristic grid on Lambert 72, and a projection's Nom for everything else.

#include "app/batch/SystemChoice.h"

#include <algorithm>

namespace batch {

namespace {

std::string Right(const std::string& text, std::size_t n) {
    return n >= text.size() ? text : text.substr(text.size() - n);
}

}  // namespace

std::string SpacesToUnderscores(std::string text) {
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

SystemChoice MakeSystemChoice(const std::string& item) {
    SystemChoice c;
    if (item.empty()) return c;

    c.projection = item;
    c.kind = SystemKind::Projected;
    if (item.find("MGRS") != std::string::npos) {
        c.kind = SystemKind::Mgrs;
        c.projection = item.substr(0, 2) + " UTMMGRS";
        if (c.projection == "W  UTMMGRS") c.projection = "WGS84 UTMMGRS";
    }
    if (item.find("IFBL") != std::string::npos) {
        c.projection = "BE LB72IFBL";
        c.kind = SystemKind::Ifbl;
    }
    static const std::string geographic = "Geographic";
    if (const auto p = item.find(geographic); p != std::string::npos) {
        c.projection.clear();
        c.kind = SystemKind::Geographic;
        // The code after "Geographic "; an item ending right after the word has none.
        const std::size_t after = p + geographic.size() + 1;
        const std::size_t n = item.size() > after ? item.size() - after : 0;
        const std::string head = item.substr(0, 2);
        c.datum = (head == "W " || head == "UE") ? Right(item, n) : item.substr(0, 3) + Right(item, n);
    }
    if (item.ends_with("UTM")) c.kind = SystemKind::Utm;
    c.fieldBase = SpacesToUnderscores(item);
    return c;
}

int CoordinateCount(SystemKind kind) {
    switch (kind) {
    case SystemKind::Projected:
    case SystemKind::Geographic: return 2;
    case SystemKind::Utm: return 3;
    case SystemKind::Mgrs:
    case SystemKind::Ifbl: return 1;
    case SystemKind::None: break;
    }
    return 0;
}

}  // namespace batch
