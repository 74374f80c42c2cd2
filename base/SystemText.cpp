#include "base/SystemText.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace base {

namespace {

constexpr std::pair<int, const char*> Texts[] = {
    {ENOENT, "Fichier ou dossier introuvable."},
    {EACCES, "Accès refusé."},
    {EPERM, "Opération non permise."},
    {ENOSPC, "Aucun espace disponible sur le disque."},
    {EDQUOT, "Quota de disque dépassé."},
    {EROFS, "Le disque est en lecture seule."},
    {EEXIST, "Le fichier existe déjà."},
    {EISDIR, "C'est un dossier."},
    {ENOTDIR, "Un élément du chemin n'est pas un dossier."},
    {ENAMETOOLONG, "Nom de fichier trop long."},
    {EIO, "Erreur d'entrée/sortie."},
    {EMFILE, "Trop de fichiers ouverts."},
    {ENFILE, "Trop de fichiers ouverts."},
    {EFBIG, "Fichier trop grand."},
    {EXDEV, "Le fichier ne peut pas être déplacé vers un autre disque."},
    {EBUSY, "Le fichier est occupé."},
    {ENOMEM, "Mémoire insuffisante."},
    {EINVAL, "Argument incorrect."},
    {EPIPE, "La sortie a été fermée."},
    {EBADF, "Fichier non ouvert."},
};

}  // namespace

std::string SystemText(int errnoValue) {
    for (const auto& [value, text] : Texts)
        if (value == errnoValue) return text;
    return "erreur système " + std::to_string(errnoValue) + ".";
}

std::string SystemText(const std::error_code& code, const std::string& path) {
    const std::string text = code.category() == std::generic_category() || code.category() == std::system_category()
                                 ? SystemText(code.value())
                                 : "erreur " + std::to_string(code.value()) + ".";
    return path.empty() ? text : path + " : " + text;
}

std::string WriteFailureText(const std::string& path, int errnoValue) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return SystemText(errno);
    if (!S_ISDIR(st.st_mode)) return SystemText(ENOTDIR);
    if (::access(folder.c_str(), W_OK) != 0) return SystemText(errno);
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) == 0 && fs.f_bavail == 0) return SystemText(ENOSPC);
    if (errnoValue != 0) return SystemText(errnoValue);
    return "le fichier n'a pas pu être écrit.";
}

}  // namespace base
