// Descriptions of the engine's errors. A '|' in a description stands for the
// item the error is about, the way the classic engine worded them.

#include "store/EngineError.h"

#include <array>
#include <utility>

namespace store {

namespace {

constexpr std::array<std::pair<int, const char*>, 28> Descriptions{{
    {base::err::Engine, "Erreur du moteur de base de données : |"},
    {base::err::TableExists, "La table '|' existe déjà."},
    {base::err::ObjectNotFound, "Le moteur de base de données ne peut pas trouver l'objet '|'."},
    {base::err::UpdateWithoutEdit, "Update ou CancelUpdate sans AddNew ou Edit."},
    {base::err::NoCurrentRecord, "Aucun enregistrement en cours."},
    {base::err::FileNotFound, "Fichier '|' introuvable."},
    {base::err::ReadOnly, "Impossible de mettre à jour. Base de données ou objet en lecture seule."},
    {base::err::CannotOpen, "Le moteur de base de données ne peut pas ouvrir le fichier '|'."},
    {base::err::NotAFile,
     "'|' n'est pas un fichier ordinaire : un dossier, un tube ou un périphérique ne peut pas être ouvert ici."},
    {base::err::TooFewParameters, "Trop peu de paramètres : |"},
    {base::err::UnknownField,
     "Le moteur de base de données ne reconnaît pas '|' comme un nom de champ ou une expression correcte."},
    {base::err::SyntaxError, "Erreur de syntaxe dans l'instruction SQL : |"},
    {base::err::CriterionSyntax, "Erreur de syntaxe dans l'expression '|'."},
    {base::err::UnknownTable, "Le moteur de base de données ne peut pas trouver la table ou la requête source '|'."},
    {base::err::BadName, "'|' n'est pas un nom correct."},
    {base::err::FieldTooSmall,
     "Le champ '|' est trop petit pour accepter la quantité de données que vous tentez d'ajouter."},
    {base::err::RecordDeleted, "L'enregistrement est supprimé."},
    {base::err::NoDriver, "Impossible de trouver l'ISAM installable '|'."},
    {base::err::FieldTwice, "Impossible de définir le champ '|' plus d'une fois."},
    {base::err::DatabaseExists, "La base de données existe déjà."},
    {base::err::NotSupported, "L'opération n'est pas gérée pour ce type d'objet."},
    {base::err::BadFieldType, "Type de données de champ incorrect."},
    {base::err::Locked, "Impossible de mettre à jour ; actuellement verrouillé."},
    {base::err::NoFields, "Aucun champ défini - impossible d'ajouter la table '|'."},
    {base::err::NotInCollection, "Élément non trouvé dans cette collection."},
    {base::err::UnreadableFile,
     "Le fichier '|' ne peut pas être lu : il est endommagé ou n'est pas du format que son extension annonce."},
    {base::err::BadFormat, "Format de base de données non reconnu : '|'."},
    {base::err::ObjectClosed, "L'objet n'est plus valide."},
}};

}  // namespace

EngineError Error(int number, const std::string& item) {
    std::string text = "Erreur du moteur de base de données n° " + std::to_string(number) + " : |";
    for (const auto& [n, description] : Descriptions)
        if (n == number) text = description;
    if (const auto bar = text.find('|'); bar != std::string::npos) text.replace(bar, 1, item);
    return EngineError(number, text);
}

}  // namespace store
