// Descriptions of the engine's errors. A '|' in a description stands for the
// item the error is about, the way the classic engine worded them.

#include "store/EngineError.h"

#include <array>
#include <utility>

namespace store {

namespace {

constexpr std::array<std::pair<int, const char*>, 26> Descriptions{{
    {err::Engine, "Erreur du moteur de base de données : |"},
    {err::TableExists, "La table '|' existe déjà."},
    {err::ObjectNotFound, "Le moteur de base de données ne peut pas trouver l'objet '|'."},
    {err::UpdateWithoutEdit, "Update ou CancelUpdate sans AddNew ou Edit."},
    {err::NoCurrentRecord, "Aucun enregistrement en cours."},
    {err::FileNotFound, "Fichier '|' introuvable."},
    {err::ReadOnly, "Impossible de mettre à jour. Base de données ou objet en lecture seule."},
    {err::CannotOpen, "Le moteur de base de données ne peut pas ouvrir le fichier '|'."},
    {err::TooFewParameters, "Trop peu de paramètres : |"},
    {err::UnknownField, "Le moteur de base de données ne reconnaît pas '|' comme un nom de champ ou une expression correcte."},
    {err::SyntaxError, "Erreur de syntaxe dans l'instruction SQL : |"},
    {err::CriterionSyntax, "Erreur de syntaxe dans l'expression '|'."},
    {err::UnknownTable, "Le moteur de base de données ne peut pas trouver la table ou la requête source '|'."},
    {err::BadName, "'|' n'est pas un nom correct."},
    {err::FieldTooSmall, "Le champ '|' est trop petit pour accepter la quantité de données que vous tentez d'ajouter."},
    {err::RecordDeleted, "L'enregistrement est supprimé."},
    {err::NoDriver, "Impossible de trouver l'ISAM installable '|'."},
    {err::FieldTwice, "Impossible de définir le champ '|' plus d'une fois."},
    {err::DatabaseExists, "La base de données existe déjà."},
    {err::NotSupported, "L'opération n'est pas gérée pour ce type d'objet."},
    {err::BadFieldType, "Type de données de champ incorrect."},
    {err::Locked, "Impossible de mettre à jour ; actuellement verrouillé."},
    {err::NoFields, "Aucun champ défini - impossible d'ajouter la table '|'."},
    {err::NotInCollection, "Élément non trouvé dans cette collection."},
    {err::BadFormat, "Format de base de données non reconnu : '|'."},
    {err::ObjectClosed, "L'objet n'est plus valide."},
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
