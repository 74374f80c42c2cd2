#pragma once
// What the operating system says of a failed file operation, in French: the
// C library's own texts follow the process locale and are English under the
// "C" locale the program computes in.

#include <string>
#include <system_error>

namespace base {

// "Aucun espace disponible sur le disque." for ENOSPC; an unlisted value
// gives "erreur système <n>".
std::string SystemText(int errnoValue);

// A filesystem failure: the French text of its error code, and the path it
// was about when it names one.
std::string SystemText(const std::error_code& code, const std::string& path = {});

// Why a file at `path` could not be written, in French, from what the file
// system tells now (its folder missing, not writable or read-only, the disk
// full), else from `errnoValue` as the failed call left it, else a plain
// "le fichier n'a pas pu être écrit.": for libraries that say why only in
// English, or not at all.
std::string WriteFailureText(const std::string& path, int errnoValue);

}  // namespace base
