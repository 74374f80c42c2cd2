#pragma once
// Which parameter database file the program uses, and the personal copy an
// installed program makes of the one it ships.
//
// - SystGéo.mdb beside the executable (a build tree, or a folder carried
//   around whole) is used as it is, as it always was.
// - Otherwise, when the program is installed (the file is in
//   PREFIX/share/travena/, see store/AppFiles.h), that shipped file is only
//   ever read: on first start each user gets a private copy in
//   $XDG_DATA_HOME/travena/ (~/.local/share/travena/ by default), written
//   under a temporary name and renamed into place, so that a start
//   interrupted half-way never leaves a truncated database behind and two
//   starts at once never overwrite each other's copy. Every later start, of
//   any window or of travena-cli, uses that copy.
//
// Beside the copy, SystGéo.mdb.livrée records the fingerprint of the shipped
// file it was made from. When an upgrade ships another file, a copy still
// byte for byte the one made is replaced by the new file; a copy the user has
// edited is kept, and the location's notice says that the new file was not
// taken. When no copy can be made (no home folder, a full or read-only disk)
// the shipped file is used directly, read-only for anyone but its owner, and
// the notice says why.

#include <string>

namespace store {

inline constexpr const char* ParamDbFileName = "SystG\xC3\xA9o.mdb";  // UTF-8 "SystGéo.mdb"

enum class ParamDbKind {
    BesideProgram,  // the file beside the executable
    PersonalCopy,   // the user's copy of the shipped file
    Shipped,        // the shipped file itself: no copy could be made
    Missing,        // neither beside the executable nor installed: `path` is where it was looked for
};

struct ParamDbLocation {
    ParamDbKind kind = ParamDbKind::Missing;
    std::string path;     // the file every window and command opens
    std::string shipped;  // the installed program's shipped file, else empty
    std::string notice;   // French, empty unless the user should know something (see above)
};

// $XDG_DATA_HOME when it is an absolute path (the XDG rule: a relative one is
// ignored), else `home` + "/.local/share"; empty when neither is known.
std::string DataHome(const std::string& xdgDataHome, const std::string& home);

// Decides, and makes or refreshes the personal copy when one is due.
// `dataHome` as DataHome gives it.
ParamDbLocation LocateParamDb(const std::string& appFolder, const std::string& dataHome);

// DataHome of this process's environment ($HOME, else the password entry's).
std::string UserDataHome();

// LocateParamDb for this process (its executable, its environment), decided
// once, on first use.
const ParamDbLocation& ParamDbInUse();

}  // namespace store
