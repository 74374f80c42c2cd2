#pragma once
// The one option parser of travena-cli: "--name value", "--name=value",
// flags without a value, and plain arguments where a command takes them.
// "--help" anywhere asks for the command's usage.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cli {

// Bad usage: the message, then the command's usage, exit status 2.
struct UsageError {
    std::string message;
};

struct CommandSpec {
    std::vector<std::string> valued;  // options followed by a value
    std::vector<std::string> flags;   // options standing alone
    bool plainArguments = false;      // takes arguments that are not options
};

class Options {
public:
    // Throws UsageError for an unknown option, a missing value or an
    // unexpected argument.
    Options(const CommandSpec& spec, const std::vector<std::string>& args);

    bool HelpAsked() const { return help_; }
    bool Has(const std::string& name) const { return named_.count(name) > 0; }
    std::string Get(const std::string& name, const std::string& fallback = {}) const;
    // Throws UsageError when absent.
    std::string Required(const std::string& name) const;
    // The value's position from 1 among `values`, `fallback` when absent;
    // throws UsageError for any other value.
    std::int16_t Pick(const std::string& name, const std::vector<std::string>& values, std::int16_t fallback) const;
    const std::vector<std::string>& Plain() const { return plain_; }

private:
    std::map<std::string, std::string> named_;
    std::vector<std::string> plain_;
    bool help_ = false;
};

// --height IN:OUT, each 'h' (ellipsoidal, ETRS89) or 'H' (Ostend): its two
// kinds; false, writing nothing, when absent. Throws UsageError for another value.
bool HeightKinds(const Options& options, char& in, char& out);

}  // namespace cli
