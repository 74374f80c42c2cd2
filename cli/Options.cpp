#include "cli/Options.h"

#include <algorithm>

namespace cli {

namespace {

bool Among(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

Options::Options(const CommandSpec& spec, const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--help" || name == "-h") {
            help_ = true;
            continue;
        }
        // A negative number is a value, not an option.
        if (name.size() < 2 || name.rfind("--", 0) != 0) {
            if (!spec.plainArguments) throw UsageError{"argument inattendu : " + name};
            plain_.push_back(name);
            continue;
        }
        if (Among(spec.flags, name)) {
            named_[name];
            continue;
        }
        std::string value;
        const auto eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (!Among(spec.valued, name)) throw UsageError{"option inconnue : " + name};
        if (eq == std::string::npos) {
            if (i + 1 >= args.size()) throw UsageError{"valeur manquante après " + name};
            value = args[++i];
        }
        named_[name] = value;
    }
}

std::string Options::Get(const std::string& name, const std::string& fallback) const {
    const auto it = named_.find(name);
    return it == named_.end() ? fallback : it->second;
}

std::string Options::Required(const std::string& name) const {
    const auto it = named_.find(name);
    if (it == named_.end()) throw UsageError{"option obligatoire : " + name};
    return it->second;
}

std::int16_t Options::Pick(const std::string& name, const std::vector<std::string>& values,
                           std::int16_t fallback) const {
    const auto it = named_.find(name);
    if (it == named_.end()) return fallback;
    const auto v = std::find(values.begin(), values.end(), it->second);
    if (v == values.end()) throw UsageError{"valeur incorrecte pour " + name + " : " + it->second};
    return static_cast<std::int16_t>(v - values.begin() + 1);
}

bool HeightKinds(const Options& options, char& in, char& out) {
    const std::int16_t k = options.Pick("--height", {"h:h", "h:H", "H:h", "H:H"}, 0);
    if (k == 0) return false;
    in = k <= 2 ? 'h' : 'H';
    out = k % 2 == 1 ? 'h' : 'H';
    return true;
}

}  // namespace cli
