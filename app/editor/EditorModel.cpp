// The parameter editor's handlers: showing a row, adding, applying changes,
// deleting and clearing, in each of the three sections.

#include "app/editor/EditorModel.h"

#include <sys/stat.h>

#include <initializer_list>

#include "app/editor/FieldText.h"
#include "app/help/Module_aide.h"
#include "app/main/MainModel.h"
#include "base/Errors.h"
#include "core/NumberText.h"
#include "store/ParamDb.h"

namespace app {

const std::array<const char*, 5> LabelsE = {
    "Nom complet", "a : demi-grand axe (m)", "e : première excentricité", "1/f : aplatissement inverse",
    "Nom usuel (identifiant)"};
const std::array<const char*, 13> LabelsD = {
    "Nom complet", "Pays (2 lettres)", "Code", "dX (m)", "dY (m)", "dZ (m)",
    "dX 7 paramètres (m)", "dY 7 paramètres (m)", "dZ 7 paramètres (m)",
    "rX (secondes d'arc)", "rY (secondes d'arc)", "rZ (secondes d'arc)", "dS (ppm)"};
const std::array<const char*, 13> LabelsP = {
    "Nom complet", "Pays (2 lettres)", "Code", "FE : fausse abscisse (m)", "FN : fausse ordonnée (m)",
    "k0 : facteur d'échelle", "Lg0 : méridien central (d°m's'')", "Lt0 : latitude d'origine (d°m's'')",
    "Lt1 : parallèle 1 (d°m's'')", "Lt2 : parallèle 2 (d°m's'')", "aa : rotation (d°m's'')",
    "Limite ouest (fuseau UTM, ou d°m's'')", "Limite est (fuseau UTM, ou d°m's'')"};

namespace {

// Columns behind Txt_D(3..12) and Txt_P(3..12).
constexpr std::array<const char*, 10> DatumNumbers = {"dX", "dY", "dZ", "dX7", "dY7", "dZ7", "rX", "rY", "rZ", "dS"};
constexpr std::array<const char*, 3> ProjectionNumbers = {"FE", "fn", "k0"};
constexpr std::array<const char*, 5> ProjectionAngles = {"Lg0", "Lt0", "Lt1", "Lt2", "aa"};
constexpr std::array<AngleKind, 5> AngleKinds = {AngleKind::Longitude, AngleKind::Latitude, AngleKind::Latitude,
                                                 AngleKind::Latitude, AngleKind::Rotation};
constexpr int FirstAngle = 6, WestLimit = 11, EastLimit = 12;
// A zone limit of type 1 is kept only strictly inside these bounds (0: none).
constexpr double ZoneLimitLow = 0, ZoneLimitHigh = 61;
constexpr int TypeBlanks = 50, TypeCodeChars = 4;
constexpr int UtmType = 1, LambertType = 2, LastType = 5;

const std::array<const char*, 3> AddQuestions = {"Ajouter cette ellipsoïde ?", "Ajouter ce datum ?",
                                                 "Ajouter cette projection ?"};
const std::array<const char*, 3> ApplyQuestions = {"Enregistrer les modifications de l'ellipsoïde ?",
                                                   "Enregister les modifications de ce datum ?",
                                                   "Enregistrer les modification de cette projection ?"};
const std::array<const char*, 3> DeleteQuestions = {"Supprimer cette ellipsoïde ?", "Supprimer ce datum ?",
                                                    "Supprimer cette projection ?"};
const std::array<const char*, 3> NameTaken = {"Le nom usuel de l'ellipsoïde existe déjà !",
                                              "Le nom du datum existe déjà !",
                                              "Le nom de la projection existe déjà !"};
// "cette ellipsoïde", ... : what failure messages name.
const std::array<const char*, 3> ThisRow = {"cette ellipsoïde", "ce datum", "cette projection"};

// A value the editor will not store, with the message that says why.
struct Refused {
    std::string text;
};

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool Filled(const std::string& text) { return !Trim(text).empty(); }

std::string Quoted(const std::string& text) { return "« " + text + " »"; }

double Number(const char* label, const std::string& text) {
    const std::optional<double> v = ReadNumber(text);
    if (!v)
        throw Refused{"Le champ " + Quoted(label) + " doit contenir un nombre : " + Quoted(text) +
                      " ne peut pas être lu."};
    return *v;
}

double Angle(const char* label, const std::string& text, AngleKind kind) {
    const std::optional<double> v = ReadAngle(text, kind);
    if (!v)
        throw Refused{"Le champ " + Quoted(label) + " doit contenir un angle en degrés, minutes et secondes, " +
                      "par exemple 50°30'15.5''" +
                      (kind == AngleKind::Latitude ? " (une latitude, entre -90° et 90°)" : "") + " : " +
                      Quoted(text) + " ne peut pas être lu."};
    return *v;
}

void Require(bool ok, const char* label, const char* rule) {
    if (!ok) throw Refused{"Le champ " + Quoted(label) + " doit " + rule + "."};
}

bool Locked(store::Recordset& rs) { return store::SameText(rs.Field("lock").Value().Text(), "Y"); }

std::string Geographic(const std::string& pays, const std::string& code) { return pays + " Geographic " + code; }

int Find(const MainLists& lists, int k, const std::string& text) {
    for (int i = 0; i < lists.ListCount(k); ++i)
        if (lists.List(k, i) == text) return i;
    return -1;
}

// One column and the value a save writes into it.
using Columns = std::vector<std::pair<std::string, store::Value>>;

}  // namespace

// --- The main window's lists

int MainModelLists::ListCount(int k) const {
    return static_cast<int>(model_.At(Ctl::Combo_projec, k).items.size());
}
std::string MainModelLists::List(int k, int i) const { return model_.At(Ctl::Combo_projec, k).items.at(i); }
int MainModelLists::ListIndex(int k) const { return model_.At(Ctl::Combo_projec, k).listIndex; }
void MainModelLists::AddItem(int k, const std::string& text) {
    model_.At(Ctl::Combo_projec, k).items.push_back(text);
}
void MainModelLists::RemoveItem(int k, int i) {
    Control& list = model_.At(Ctl::Combo_projec, k);
    list.items.erase(list.items.begin() + i);
    if (list.listIndex > i) --list.listIndex;
    else if (list.listIndex == i) list.listIndex = -1;
}
void MainModelLists::SetItem(int k, int i, const std::string& text) {
    model_.At(Ctl::Combo_projec, k).items.at(i) = text;
}
void MainModelLists::SetListIndex(int k, int i) { model_.SelectListItem(k, i); }

// --- Lists of the editor

std::string EditorList::Text() const {
    return listIndex >= 0 && listIndex < static_cast<int>(items.size()) ? items[listIndex] : std::string();
}

int EditorList::Find(const std::string& text) const {
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (items[i] == text) return i;
    return -1;
}

int TypeCode(const std::string& entry) {
    const std::string tail = entry.size() > TypeCodeChars ? entry.substr(entry.size() - TypeCodeChars) : entry;
    return static_cast<int>(core::ValNumber(tail));
}

// --- Opening and the record sets

EditorModel::EditorModel(Messages& messages, MainLists& main) : messages_(messages), main_(main) {}

void EditorModel::Form_Load() {
    path_ = store::ParamDbPath();
    OpenSets();
    FillLists();
    for (EditorButton* b : {&Com_appl_E, &Com_sup_E, &Com_appl_D, &Com_sup_D, &Com_appl_P, &Com_sup_P})
        b->enabled = false;
}

void EditorModel::OpenSets() {
    DropSets();
    db_ = store::OpenDatabase(path_);
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) fileId_ = {st.st_dev, st.st_ino};
    for (const char* sql : {store::sql::AllEllipsoides, store::sql::AllProjections, store::sql::AllDatums,
                            store::sql::AllTypes})
        sets_.push_back(db_->OpenRecordset(sql));
}

void EditorModel::DropSets() {
    sets_.clear();
    db_.reset();
}

void EditorModel::Reopen() {
    try {
        OpenSets();
    } catch (const base::RuntimeError&) {
        DropSets();  // opened again by the next action, which reports why it cannot
    }
}

bool EditorModel::FileChanged() const {
    struct stat st {};
    return ::stat(path_.c_str(), &st) != 0 || fileId_ != std::pair<std::uint64_t, std::uint64_t>(st.st_dev, st.st_ino);
}

store::Recordset& EditorModel::Rs(SetIndex which) {
    if (sets_.empty()) OpenSets();
    return sets_[which];
}

void EditorModel::FillLists() {
    for (EditorList* list : {&Combo[0], &Combo[1], &Combo[2], &Combo_E, &Combo_D, &Combo_type}) *list = {};
    auto each = [this](SetIndex which, auto add) {
        store::Recordset& rs = Rs(which);
        if (rs.RecordCount() == 0) return;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) add(rs);
        rs.MoveFirst();
    };
    each(RsE, [this](store::Recordset& rs) {
        Combo[SecEllipsoid].items.push_back(rs.Field("nom").Value().Text());
        Combo_E.items.push_back(Combo[SecEllipsoid].items.back());
    });
    each(RsD, [this](store::Recordset& rs) {
        Combo[SecDatum].items.push_back(rs.Field("nom").Value().Text());
        Combo_D.items.push_back(Combo[SecDatum].items.back());
    });
    each(RsP, [this](store::Recordset& rs) { Combo[SecProjection].items.push_back(rs.Field("nom").Value().Text()); });
    each(RsT, [this](store::Recordset& rs) {
        Combo_type.items.push_back(rs.Field("nom").Value().Text() + std::string(TypeBlanks, ' ') +
                                   rs.Field("num\xC3\xA9ro").Value().Text());
    });
}

template <class Action>
void EditorModel::Guarded(const std::string& failure, bool writes, Action action) {
    try {
        if (!sets_.empty() && FileChanged()) {
            // Another file now stands at the path: what the lists show is not in it.
            OpenSets();
            FillLists();
            for (int s = 0; s < 3; ++s) Com_eff_Click(s);
            messages_.Critical(AppTitle, failure + " : la base de paramètres a été remplacée sur le disque. "
                                                   "Les listes ont été relues ; rien n'a été enregistré.");
            return;
        }
        action();
    } catch (const Refused& r) {
        messages_.Critical(AppTitle, r.text);
    } catch (const base::RuntimeError& e) {
        Reopen();  // the transaction has rolled back; the sets may hold rows the file does not
        messages_.Critical(AppTitle, failure + " :\n" + e.what() + " (erreur " + std::to_string(e.number) + ")" +
                                         (writes ? "\nLa base de paramètres n'a pas été modifiée." : ""));
    }
}

// --- Showing a row

void EditorModel::SelectCombo(int Index, int listIndex) {
    Combo.at(Index).listIndex = listIndex;
    Combo_Click(Index);
}

void EditorModel::SelectCombo_D(int listIndex) {
    Combo_D.listIndex = listIndex;
    Combo_D_Click();
}

void EditorModel::SelectCombo_E(int listIndex) {
    Combo_E.listIndex = listIndex;
    Combo_E_Click();
}

void EditorModel::Combo_D_Click() { SelectCombo(SecDatum, Combo_D.listIndex); }
void EditorModel::Combo_E_Click() { SelectCombo(SecEllipsoid, Combo_E.listIndex); }

void EditorModel::Combo_Click(int Index) {
    const std::string name = Combo.at(Index).Text();
    if (name.empty()) return;
    Guarded(std::string("Impossible d'afficher ") + ThisRow[Index], false, [&] {
        static constexpr std::array<SetIndex, 3> set = {RsE, RsD, RsP};
        store::Recordset& rs = Rs(set[Index]);
        rs.FindFirst(store::NomIs(name));
        if (rs.NoMatch()) return;
        CurrentName[Index] = rs.Field("Nom").Value().Text();
        if (Index == SecEllipsoid) ShowEllipsoid(rs);
        if (Index == SecDatum) ShowDatum(rs);
        if (Index == SecProjection) ShowProjection(rs);
    });
}

void EditorModel::ShowEllipsoid(store::Recordset& rs) {
    Txt_E = {rs.Field("nomcomplet").Value().Text(), ShowNumber(rs.Field("a").Value()),
             ShowNumber(rs.Field("ec").Value()), ShowNumber(rs.Field("unf").Value()), CurrentName[SecEllipsoid]};
    Com_appl_E.enabled = !Locked(rs);
    store::Recordset& datums = Rs(RsD);
    datums.FindFirst(store::EllipsoideIs(CurrentName[SecEllipsoid]));
    Com_sup_E.enabled = datums.NoMatch();
}

void EditorModel::ShowDatum(store::Recordset& rs) {
    Txt_D[0] = rs.Field("nomcomplet").Value().Text();
    Txt_D[1] = rs.Field("Pays").Value().Text();
    Txt_D[2] = rs.Field("Code").Value().Text();
    for (std::size_t i = 0; i < DatumNumbers.size(); ++i) Txt_D[3 + i] = ShowNumber(rs.Field(DatumNumbers[i]).Value());
    const std::string name = CurrentName[SecDatum], ellipsoid = rs.Field("Ellipsoide").Value().Text();
    Com_appl_D.enabled = !Locked(rs);
    store::Recordset& projections = Rs(RsP);
    projections.FindFirst(store::DatumIs(name));
    Com_sup_D.enabled = projections.NoMatch();
    SelectCombo_E(Combo_E.Find(ellipsoid));
}

void EditorModel::ShowProjection(store::Recordset& rs) {
    const store::Value type = rs.Field("Type").Value();
    const bool utm = !type.IsNull() && type.Double() == UtmType;
    Txt_P[0] = rs.Field("nomcomplet").Value().Text();
    Txt_P[1] = rs.Field("Pays").Value().Text();
    Txt_P[2] = rs.Field("Code").Value().Text();
    for (std::size_t i = 0; i < ProjectionNumbers.size(); ++i)
        Txt_P[3 + i] = ShowNumber(rs.Field(ProjectionNumbers[i]).Value());
    for (std::size_t i = 0; i < ProjectionAngles.size(); ++i)
        Txt_P[FirstAngle + i] = ShowAngle(rs.Field(ProjectionAngles[i]).Value());
    for (auto [index, column] : {std::pair{WestLimit, "limitew"}, std::pair{EastLimit, "limitee"}})
        Txt_P[index] = utm ? ShowNumber(rs.Field(column).Value()) : ShowAngle(rs.Field(column).Value());
    Com_appl_P.enabled = Com_sup_P.enabled = !Locked(rs);
    const std::string datum = rs.Field("Datum").Value().Text();
    Combo_type.listIndex = -1;
    for (int i = 0; !type.IsNull() && i < static_cast<int>(Combo_type.items.size()); ++i)
        if (TypeCode(Combo_type.items[i]) == type.Double()) Combo_type.listIndex = i;
    SelectCombo_D(Combo_D.Find(datum));
}

// --- Add and Apply

void EditorModel::Com_aj_E_Click() { Add(SecEllipsoid); }
void EditorModel::Com_aj_D_Click() { Add(SecDatum); }
void EditorModel::Com_aj_P_Click() { Add(SecProjection); }
void EditorModel::Com_appl_E_Click() {
    if (Com_appl_E.enabled) Apply(SecEllipsoid);
}
void EditorModel::Com_appl_D_Click() {
    if (Com_appl_D.enabled) Apply(SecDatum);
}
void EditorModel::Com_appl_P_Click() {
    if (Com_appl_P.enabled) Apply(SecProjection);
}

namespace {

// The section's name as it would be saved.
std::string FormName(const EditorModel& m, int section) {
    if (section == SecEllipsoid) return Trim(m.Txt_E[4]);
    const auto& t = section == SecDatum ? m.Txt_D : m.Txt_P;
    return Trim(t[1]) + " " + Trim(t[2]);
}

// The required fields: the first one left empty is named, since a confirmed
// Add or Apply that does nothing would look like a success.
void RequireFilled(const EditorModel& m, int section) {
    const auto need = [](const auto& fields, const auto& labels, std::initializer_list<int> which) {
        for (int i : which) Require(Filled(fields[std::size_t(i)]), labels[std::size_t(i)], "être rempli");
    };
    if (section == SecEllipsoid) return need(m.Txt_E, LabelsE, {1, 2, 3, 4});
    if (section == SecDatum) {
        need(m.Txt_D, LabelsD, {1, 2});
        if (m.Combo_E.listIndex < 0) throw Refused{"Choisissez l'ellipsoïde du datum."};
        return;
    }
    need(m.Txt_P, LabelsP, {1, 2, 3, 4, 5});
    if (m.Combo_D.listIndex < 0) throw Refused{"Choisissez le datum de la projection."};
    if (m.Combo_type.listIndex < 0) throw Refused{"Choisissez le type de projection."};
    const int code = TypeCode(m.Combo_type.Text());
    if (code == LambertType) need(m.Txt_P, LabelsP, {6, 7, 8, 9});
    if (code > LambertType) need(m.Txt_P, LabelsP, {6, 7});
}

// Every column of the row from the fields; refuses what the formulas cannot use.
Columns ReadColumns(const EditorModel& m, int section, const std::string& name) {
    Columns c = {{"Nom", store::Value(name)}};
    if (section == SecEllipsoid) {
        const double a = Number(LabelsE[1], m.Txt_E[1]), ec = Number(LabelsE[2], m.Txt_E[2]),
                     unf = Number(LabelsE[3], m.Txt_E[3]);
        Require(a > 0, LabelsE[1], "être supérieur à 0");
        Require(ec >= 0 && ec < 1, LabelsE[2], "être compris entre 0 et 1 (1 exclu)");
        Require(unf > 0, LabelsE[3], "être supérieur à 0");
        c.insert(c.end(), {{"nomcomplet", store::Value(m.Txt_E[0])}, {"a", a}, {"ec", ec}, {"unf", unf}});
    } else if (section == SecDatum) {
        c.insert(c.end(), {{"Pays", store::Value(Trim(m.Txt_D[1]))},
                           {"Code", store::Value(Trim(m.Txt_D[2]))},
                           {"nomcomplet", store::Value(m.Txt_D[0])},
                           {"Ellipsoide", store::Value(m.Combo_E.Text())}});
        for (std::size_t i = 0; i < DatumNumbers.size(); ++i)
            c.emplace_back(DatumNumbers[i], Number(LabelsD[3 + i], m.Txt_D[3 + i]));
    } else {
        const int type = TypeCode(m.Combo_type.Text());
        if (type < UtmType || type > LastType)
            throw Refused{"Le type de projection doit être compris entre 1 et 5 ; " + Quoted(std::to_string(type)) +
                          " n'est pas calculable."};
        c.insert(c.end(), {{"Pays", store::Value(Trim(m.Txt_P[1]))},
                           {"Code", store::Value(Trim(m.Txt_P[2]))},
                           {"nomcomplet", store::Value(m.Txt_P[0])},
                           {"Datum", store::Value(m.Combo_D.Text())},
                           {"Type", store::Value(type)}});
        for (std::size_t i = 0; i < ProjectionNumbers.size(); ++i)
            c.emplace_back(ProjectionNumbers[i], Number(LabelsP[3 + i], m.Txt_P[3 + i]));
        Require(c.back().second.Double() > 0, LabelsP[5], "être supérieur à 0");
        for (std::size_t i = 0; i < ProjectionAngles.size(); ++i)
            c.emplace_back(ProjectionAngles[i], Angle(LabelsP[FirstAngle + i], m.Txt_P[FirstAngle + i], AngleKinds[i]));
        for (auto [index, column] : {std::pair{WestLimit, "limitew"}, std::pair{EastLimit, "limitee"}}) {
            double limit = 0;
            if (type == UtmType) {
                const double zone = Number(LabelsP[index], m.Txt_P[index]);
                limit = zone > ZoneLimitLow && zone < ZoneLimitHigh ? zone : 0;
            } else {
                limit = Angle(LabelsP[index], m.Txt_P[index], AngleKind::Longitude);
            }
            c.emplace_back(column, limit);
        }
    }
    c.emplace_back("lock", store::Value("N"));
    return c;
}

void SetColumns(store::Recordset& rs, const Columns& columns) {
    for (const auto& [column, value] : columns) rs.SetField(column, value);
    rs.Update();
}

}  // namespace

void EditorModel::Add(int s) {
    if (!messages_.Question(AppTitle, AddQuestions[s])) return;
    Guarded(std::string("Impossible d'ajouter ") + ThisRow[s], true, [&] {
        static constexpr std::array<SetIndex, 3> set = {RsE, RsD, RsP};
        const std::string name = FormName(*this, s);
        auto taken = [&] {
            store::Recordset& rs = Rs(set[s]);
            rs.FindFirst(store::NomIs(name));
            return !rs.NoMatch();
        };
        const bool nameFirst = s == SecProjection;
        if (nameFirst && taken()) return messages_.Critical(AppTitle, NameTaken[s]);
        RequireFilled(*this, s);
        if (!nameFirst && taken()) return messages_.Critical(AppTitle, NameTaken[s]);
        const Columns columns = ReadColumns(*this, s, name);
        {
            store::Recordset& rs = Rs(set[s]);
            store::Transaction t(*db_);
            rs.AddNew();
            SetColumns(rs, columns);
            t.Commit();
        }
        Reopen();
        Combo[s].items.push_back(name);
        if (s == SecEllipsoid) Combo_E.items.push_back(name);
        if (s == SecDatum) Combo_D.items.push_back(name);
        const std::string entry = s == SecDatum ? Geographic(Trim(Txt_D[1]), Trim(Txt_D[2])) : name;
        if (s != SecEllipsoid)
            for (int k = 0; k < 2; ++k) {
                main_.AddItem(k, entry);
                main_.SetListIndex(k, 0);
            }
        SelectCombo(s, static_cast<int>(Combo[s].items.size()) - 1);
    });
}

void EditorModel::Apply(int s) {
    if (!messages_.Question(AppTitle, ApplyQuestions[s])) return;
    Guarded(std::string("Impossible d'enregistrer les modifications de ") + ThisRow[s], true, [&] {
        static constexpr std::array<SetIndex, 3> set = {RsE, RsD, RsP};
        RequireFilled(*this, s);
        const std::string name = FormName(*this, s), current = CurrentName[s];
        if (!store::SameText(name, current)) {
            store::Recordset& rs = Rs(set[s]);
            rs.FindFirst(store::NomIs(name));
            if (!rs.NoMatch()) return messages_.Critical(AppTitle, NameTaken[s]);
        }
        const Columns columns = ReadColumns(*this, s, name);
        std::string oldEntry;
        {
            store::Recordset& rs = Rs(set[s]);
            store::Transaction t(*db_);
            rs.FindFirst(store::NomIs(current));
            if (rs.NoMatch()) throw store::Error(base::err::NoCurrentRecord);
            // The main window lists a datum by the country and code it was saved with.
            if (s == SecDatum) oldEntry = Geographic(rs.Field("Pays").Value().Text(), rs.Field("Code").Value().Text());
            rs.Edit();
            SetColumns(rs, columns);
            if (s == SecDatum) store::RenameDatumInProjections(*db_, name, current);
            if (s == SecEllipsoid) store::RenameEllipsoideInDatums(*db_, name, current);
            t.Commit();
        }
        Reopen();
        const int at = Combo[s].Find(current);
        if (at >= 0) {
            Combo[s].items[at] = name;
            if (s == SecEllipsoid) Combo_E.items[at] = name;
            if (s == SecDatum) Combo_D.items[at] = name;
        }
        if (s == SecProjection) oldEntry = current;
        const std::string entry = s == SecDatum ? Geographic(Trim(Txt_D[1]), Trim(Txt_D[2])) : name;
        if (s != SecEllipsoid)
            for (int k = 0; k < 2; ++k)
                if (const int i = Find(main_, k, oldEntry); i >= 0) {
                    main_.SetItem(k, i, entry);
                    main_.SetListIndex(k, main_.ListIndex(k));  // the row's layout follows the new name
                }
        // Show what was stored (a typed "0,5" comes back as 0.5).
        SelectCombo(s, at >= 0 ? at : Combo[s].listIndex);
    });
}

// --- Delete and Clear

void EditorModel::Com_sup_E_Click() {
    if (Com_sup_E.enabled) Delete(SecEllipsoid);
}
void EditorModel::Com_sup_D_Click() {
    if (Com_sup_D.enabled) Delete(SecDatum);
}
void EditorModel::Com_sup_P_Click() {
    if (Com_sup_P.enabled) Delete(SecProjection);
}

void EditorModel::Delete(int s) {
    if (!messages_.Question(AppTitle, DeleteQuestions[s])) return;
    Guarded(std::string("Impossible de supprimer ") + ThisRow[s], true, [&] {
        static constexpr std::array<SetIndex, 3> set = {RsE, RsD, RsP};
        const std::string name = CurrentName[s];
        // A row added since this one was shown may refer to it.
        if (s != SecProjection) {
            store::Recordset& users = Rs(s == SecEllipsoid ? RsD : RsP);
            users.FindFirst(s == SecEllipsoid ? store::EllipsoideIs(name) : store::DatumIs(name));
            if (!users.NoMatch())
                throw Refused{std::string("Impossible de supprimer ") + ThisRow[s] +
                              (s == SecEllipsoid ? " : le datum " : " : la projection ") +
                              Quoted(users.Field("Nom").Value().Text()) + " l'utilise."};
        }
        std::string entry = name;
        {
            store::Recordset& rs = Rs(set[s]);
            store::Transaction t(*db_);
            rs.FindFirst(store::NomIs(name));
            if (rs.NoMatch()) throw store::Error(base::err::NoCurrentRecord);
            if (s == SecDatum) entry = Geographic(rs.Field("Pays").Value().Text(), rs.Field("Code").Value().Text());
            rs.Delete();
            t.Commit();
        }
        Reopen();
        const int at = Combo[s].listIndex >= 0 ? Combo[s].listIndex : Combo[s].Find(name);
        if (at >= 0) {
            Combo[s].items.erase(Combo[s].items.begin() + at);
            if (s == SecEllipsoid) Combo_E.items.erase(Combo_E.items.begin() + at);
            if (s == SecDatum) Combo_D.items.erase(Combo_D.items.begin() + at);
        }
        if (s != SecEllipsoid)
            for (int k = 0; k < 2; ++k) {
                if (const int i = Find(main_, k, entry); i >= 0) main_.RemoveItem(k, i);
                main_.SetListIndex(k, 0);
            }
        Com_eff_Click(s);
        if (!Combo[s].items.empty()) SelectCombo(s, 0);
    });
}

void EditorModel::Com_eff_Click(int Index) {
    switch (Index) {
    case SecEllipsoid:
        Txt_E.fill({});
        Com_appl_E.enabled = Com_sup_E.enabled = false;
        break;
    case SecDatum:
        Txt_D.fill({});
        Combo_E.listIndex = -1;
        Com_appl_D.enabled = Com_sup_D.enabled = false;
        break;
    case SecProjection:
        Txt_P.fill({});
        Combo_D.listIndex = Combo_type.listIndex = -1;
        Com_appl_P.enabled = Com_sup_P.enabled = false;
        break;
    default: return;
    }
    Combo[Index].listIndex = -1;
    CurrentName[Index].clear();
}

void EditorModel::Com_qt_Click() {
    DropSets();
    closed_ = true;
}

void EditorModel::Img_help_Click() { ShowEditorHelp(messages_); }

}  // namespace app
