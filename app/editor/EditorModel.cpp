// The parameter editor's handlers: showing a row, adding, applying changes,
// deleting and clearing, in each of the three sections, and the PROJ string
// import, export and test of a definition.

#include "app/editor/EditorModel.h"
#include "app/editor/EditorFields.h"

#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <initializer_list>

#include "app/Methods.h"
#include "app/editor/FieldText.h"
#include "app/help/Module_aide.h"
#include "app/main/MainModel.h"
#include "base/Errors.h"
#include "base/Text.h"
#include "base/Utf8.h"
#include "core/Datum.h"
#include "core/NumberText.h"
#include "core/ParamColumns.h"
#include "core/ParamRules.h"
#include "core/Params.h"
#include "core/ProjString.h"
#include "core/Projection.h"
#include "store/ParamDb.h"

namespace app {

using namespace editor;

// The number fields' labels are their columns' (core/ParamColumns.h).
constinit const std::array<const char*, 5> LabelsE =
    WithLabels<5>({"Nom complet", nullptr, nullptr, nullptr, "Nom usuel (identifiant)"}, 1, core::EllipsoidColumns);
constinit const std::array<const char*, 13> LabelsD =
    WithLabels<13>({"Nom complet", "Pays (2 lettres)", "Code"}, FirstDatumNumber, core::DatumColumns);
constinit const std::array<const char*, 13> LabelsP =
    WithLabels<13>({"Nom complet", "Pays (2 lettres)", "Code", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "Limite ouest (fuseau UTM, ou angle)", "Limite est (fuseau UTM, ou angle)"},
                   3, core::ProjectionColumns);

namespace {

constexpr int TypeBlanks = 50, TypeCodeChars = 4;
const std::array<const char*, 3> AddQuestions = {"Ajouter cette ellipsoïde ?", "Ajouter ce datum ?",
                                                 "Ajouter cette projection ?"};
const std::array<const char*, 3> ApplyQuestions = {"Enregistrer les modifications de l'ellipsoïde ?",
                                                   "Enregister les modifications de ce datum ?",
                                                   "Enregistrer les modification de cette projection ?"};
const std::array<const char*, 3> DeleteQuestions = {"Supprimer cette ellipsoïde ?", "Supprimer ce datum ?",
                                                    "Supprimer cette projection ?"};
const std::array<const char*, 3> NameTakenText = {"Le nom usuel de l'ellipsoïde existe déjà !",
                                                  "Le nom du datum existe déjà !",
                                                  "Le nom de la projection existe déjà !"};
// "cette ellipsoïde", ... : what failure messages name.
const std::array<const char*, 3> ThisRow = {"cette ellipsoïde", "ce datum", "cette projection"};
const std::array<const char*, 3> TableOf = {"Ellipsoides", "Datums", "Projections"};
const std::array<const char*, 3> ByName = {store::sql::EllipsoideByName, store::sql::DatumByName,
                                           store::sql::ProjectionByName};
const std::array<store::ParamTable, 3> ParamTables = {store::ParamTable::Ellipsoides, store::ParamTable::Datums,
                                                      store::ParamTable::Projections};

constexpr const char* LockedReason =
    "Ligne verrouillée : une ligne fixe de la fenêtre principale en dépend. Elle peut être consultée, "
    "pas modifiée ni supprimée ; pour la changer, ajoutez-en une copie sous un autre code.";

bool Locked(store::Recordset& rs) { return store::SameText(rs.Field("lock").Value().Text(), "Y"); }

std::string Geographic(const std::string& pays, const std::string& code) { return pays + " Geographic " + code; }

int Find(const MainLists& lists, int k, const std::string& text) {
    for (int i = 0; i < lists.ListCount(k); ++i)
        if (lists.List(k, i) == text) return i;
    return -1;
}

// Whether writing `v` over `stored` would change nothing: an empty text over
// Null, a number over the same number whatever its storage kind.
bool Same(const store::Value& stored, const store::Value& v) {
    if (stored.IsNull()) return v.IsNull() || (v.IfText() && v.IfText()->empty());
    if (v.IsNull()) return false;
    const bool storedText = stored.IfText() != nullptr, text = v.IfText() != nullptr;
    if (storedText || text) return storedText && text && *stored.IfText() == *v.IfText();
    return stored.Double() == v.Double();
}

std::string Negated(const std::string& text) {
    const std::optional<double> v = ReadNumber(text);
    if (!v || *v == 0 || !Filled(text)) return text;
    return ShowNumber(store::Value(-*v));
}

}  // namespace

// --- Labels by type

std::string ProjectionLabel(int type, int field, bool autoUtm) {
    switch (field) {
    case 3: return type == ObliqueMercatorType ? "FE : ordonnée nord de l'origine, x (m)" : LabelsP[3];
    case 4: return type == ObliqueMercatorType ? "FN : abscisse est de l'origine, y (m)" : LabelsP[4];
    case 5:
        if (type == UtmType) return "k0 : facteur d'échelle sur le méridien central";
        if (type == OneParallelType) return "k0 : facteur d'échelle sur le parallèle";
        if (type == LambertType) return "k0 : facteur d'échelle (1 : sur les parallèles)";
        return type ? "k0 : facteur d'échelle à l'origine" : LabelsP[5];
    case Lg0Field:
        if (type == UtmType && autoUtm) return "Lg0 : 0, fuseau de chaque point";
        if (type == ObliqueMercatorType || type == StereoType) return "Lg0 : longitude de l'origine";
        return LabelsP[Lg0Field];
    case Lt0Field:
        if (type == OneParallelType) return "Lt0 : parallèle standard (et origine)";
        if (type == UtmType) return "Lt0 : latitude d'origine (où N = FN)";
        return LabelsP[Lt0Field];
    case Lt1Field: return type == LambertType ? "Lt1 : premier parallèle standard" : LabelsP[Lt1Field];
    case Lt2Field: return type == LambertType ? "Lt2 : second parallèle standard" : LabelsP[Lt2Field];
    case AaField: return type == LambertType ? "aa : rotation de la grille" : LabelsP[AaField];
    case WestLimit:
        if (type == UtmType) return "Premier fuseau UTM (1 à 60, vide : tous)";
        return type ? "Limite ouest d'emploi (angle)" : LabelsP[WestLimit];
    case EastLimit:
        if (type == UtmType) return "Dernier fuseau UTM (1 à 60, vide : tous)";
        return type ? "Limite est d'emploi (angle)" : LabelsP[EastLimit];
    default: return LabelsP.at(std::size_t(field));
    }
}

bool ProjectionFieldUsed(int type, int field, bool autoUtm) {
    switch (field) {
    case Lg0Field: return !(type == UtmType && autoUtm);
    case Lt1Field:
    case Lt2Field:
    case AaField: return type == 0 || type == LambertType;
    case WestLimit:
    case EastLimit: return type != UtmType || autoUtm;
    default: return true;
    }
}

std::string DatumLabel(int field, bool coordinateFrame) {
    static const std::array<const char*, 3> frame = {"rX (\", rotation du repère)", "rY (\", rotation du repère)",
                                                     "rZ (\", rotation du repère)"};
    if (field >= FirstRotation && field <= LastRotation && coordinateFrame)
        return frame[std::size_t(field - FirstRotation)];
    return LabelsD.at(std::size_t(field));
}

// --- The main window's lists

int MainModelLists::ListCount(int k) const { return static_cast<int>(model_.At(Ctl::Combo_projec, k).items.size()); }
std::string MainModelLists::List(int k, int i) const { return model_.At(Ctl::Combo_projec, k).items.at(i); }
int MainModelLists::ListIndex(int k) const { return model_.At(Ctl::Combo_projec, k).listIndex; }
void MainModelLists::AddItem(int k, const std::string& text) { model_.At(Ctl::Combo_projec, k).items.push_back(text); }
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

int EditorModel::ChosenType() const { return Combo_type.listIndex >= 0 ? TypeCode(Combo_type.Text()) : 0; }

// --- Opening and the record sets

EditorModel::EditorModel(Messages& messages, MainLists& main) : messages_(messages), main_(main) {}

void EditorModel::Form_Load() {
    path_ = store::ParamDbPath();
    OpenSets();
    FillLists();
    for (int s = 0; s < 3; ++s) Com_eff_Click(s);
}

void EditorModel::OpenSets() {
    DropSets();
    db_ = store::OpenDatabase(path_);
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) fileId_ = {st.st_dev, st.st_ino};
    for (const char* sql :
         {store::sql::AllEllipsoides, store::sql::AllProjections, store::sql::AllDatums, store::sql::AllTypes})
        sets_.push_back(db_->OpenRecordset(sql));
}

void EditorModel::DropSets() {
    sets_.clear();
    db_.reset();
}

void EditorModel::Reopen() {
    // Another file at the path is not taken silently: the next action reports it.
    if (FileChanged()) return DropSets();
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

// The lists of the file now at the path, every section cleared.
void EditorModel::ReloadLists() {
    OpenSets();
    FillLists();
    for (int s = 0; s < 3; ++s) {
        Com_eff_Click(s);
        Remember(s, {}, {-1, -1}, false);
    }
}

// When another file stands at the path, its lists replace the old ones.
bool EditorModel::ReloadIfReplaced() {
    if (!FileChanged()) return false;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return false;  // missing: the next action says so
    try {
        ReloadLists();
    } catch (const base::RuntimeError&) {
        DropSets();
    }
    return true;
}

template <class Action>
void EditorModel::Guarded(const std::string& failure, bool writes, Action action) {
    try {
        if (FileChanged()) {
            // Another file now stands at the path: what the lists show is not in it.
            ReloadLists();
            messages_.Critical(AppTitle, failure +
                                             " : la base de paramètres a été remplacée sur le disque. "
                                             "Les listes ont été relues ; rien n'a été enregistré.");
            return;
        }
        action();
    } catch (const Refused& r) {
        messages_.Critical(AppTitle, r.text);
    } catch (const base::RuntimeError& e) {
        Reopen();  // the transaction has rolled back; the sets may hold rows the file does not
        std::string text = failure + " :\n" + e.what() + " (erreur " + std::to_string(e.number) + ")" +
                           (writes ? "\nLa base de paramètres n'a pas été modifiée." : "");
        if (ReloadIfReplaced())
            text += "\nUne autre base de paramètres se trouve maintenant à sa place : les listes ont été relues.";
        messages_.Critical(AppTitle, text);
    }
}

bool EditorModel::NameTaken(int s, const std::string& name) {
    if (!db_) OpenSets();
    return !db_->OpenRecordset(ByName[std::size_t(s)], {store::Value(name)}).Eof();
}

// --- What each section shows

void EditorModel::Remember(int s, std::vector<store::Value> values, std::array<int, 2> choosers, bool flag) {
    Shown& shown = shown_[std::size_t(s)];
    if (s == SecEllipsoid) shown.texts.assign(Txt_E.begin(), Txt_E.end());
    if (s == SecDatum) shown.texts.assign(Txt_D.begin(), Txt_D.end());
    if (s == SecProjection) shown.texts.assign(Txt_P.begin(), Txt_P.end());
    shown.values = std::move(values);
    shown.choosers = choosers;
    shown.flag = flag;
}

std::optional<store::Value> EditorModel::Kept(int s, int i) const {
    const Shown& shown = shown_[std::size_t(s)];
    if (CurrentName[std::size_t(s)].empty() || std::size_t(i) >= shown.values.size()) return std::nullopt;
    const std::string& now = s == SecEllipsoid ? Txt_E[std::size_t(i)]
                             : s == SecDatum   ? Txt_D[std::size_t(i)]
                                               : Txt_P[std::size_t(i)];
    if (now != shown.texts[std::size_t(i)]) return std::nullopt;
    return shown.values[std::size_t(i)];
}

bool EditorModel::Edited(int s) const {
    const Shown& shown = shown_[std::size_t(s)];
    std::vector<std::string> now;
    std::array<int, 2> choosers{-1, -1};
    bool flag = false;
    if (s == SecEllipsoid) now.assign(Txt_E.begin(), Txt_E.end());
    if (s == SecDatum) {
        now.assign(Txt_D.begin(), Txt_D.end());
        choosers = {Combo_E.listIndex, -1};
        flag = CoordinateFrame;
    }
    if (s == SecProjection) {
        now.assign(Txt_P.begin(), Txt_P.end());
        choosers = {Combo_D.listIndex, Combo_type.listIndex};
        flag = AutoUtm;
    }
    if (shown.texts.empty()) return std::any_of(now.begin(), now.end(), Filled) || choosers != std::array{-1, -1};
    return now != shown.texts || choosers != shown.choosers || (s == SecProjection && flag != shown.flag);
}

bool EditorModel::MayDrop(int s) {
    if (!Edited(s)) return true;
    static const std::array<const char*, 3> question = {
        "Les modifications de l'ellipsoïde ne sont pas enregistrées. Les abandonner ?",
        "Les modifications du datum ne sont pas enregistrées. Les abandonner ?",
        "Les modifications de la projection ne sont pas enregistrées. Les abandonner ?"};
    return messages_.Question(AppTitle, question[std::size_t(s)]);
}

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
    if (!showingSaved_ && (name != CurrentName[std::size_t(Index)] || Edited(Index))) {
        if (!MayDrop(Index)) {
            // Keep the edits: the selector goes back to the row they belong to.
            Combo.at(Index).listIndex = Combo.at(Index).Find(CurrentName[std::size_t(Index)]);
            return;
        }
    }
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

// The row just saved: what the fields held is in the file, nothing to ask.
void EditorModel::ShowSaved(int s, int listIndex) {
    showingSaved_ = true;
    try {
        SelectCombo(s, listIndex);
    } catch (...) {
        showingSaved_ = false;
        throw;
    }
    showingSaved_ = false;
}

void EditorModel::ShowButtons(int s, bool locked, const std::string& user) {
    std::array<EditorButton*, 2> b = {&Com_appl_E, &Com_sup_E};
    if (s == SecDatum) b = {&Com_appl_D, &Com_sup_D};
    if (s == SecProjection) b = {&Com_appl_P, &Com_sup_P};
    b[0]->enabled = !locked;
    b[0]->reason = locked ? LockedReason : "";
    b[1]->enabled = !locked && user.empty();
    b[1]->reason = locked ? std::string(LockedReason) : user;
}

void EditorModel::ShowEllipsoid(store::Recordset& rs) {
    std::vector<store::Value> values(5);
    Txt_E = {rs.Field("nomcomplet").Value().Text(), "", "", "", CurrentName[SecEllipsoid]};
    for (std::size_t i = 0; i < EllipsoidNumbers.size(); ++i) {
        values[1 + i] = rs.Field(EllipsoidNumbers[i]).Value();
        Txt_E[1 + i] = ShowNumber(values[1 + i]);
    }
    Remember(SecEllipsoid, values, {-1, -1}, false);
    store::Recordset& datums = Rs(RsD);
    datums.FindFirst(store::EllipsoideIs(CurrentName[SecEllipsoid]));
    ShowButtons(SecEllipsoid, Locked(rs),
                datums.NoMatch() ? ""
                                 : "Le datum " + base::Guillemets(datums.Field("Nom").Value().Text()) +
                                       " utilise cette ellipsoïde : changez son ellipsoïde ou supprimez-le d'abord.");
}

void EditorModel::ShowDatum(store::Recordset& rs) {
    std::vector<store::Value> values(13);
    Txt_D[0] = rs.Field("nomcomplet").Value().Text();
    Txt_D[1] = rs.Field("Pays").Value().Text();
    Txt_D[2] = rs.Field("Code").Value().Text();
    for (std::size_t i = 0; i < DatumNumbers.size(); ++i) {
        const std::size_t f = FirstDatumNumber + i;
        values[f] = rs.Field(DatumNumbers[i]).Value();
        const bool rotation = f >= FirstRotation && f <= LastRotation;
        Txt_D[f] = ShowNumber(values[f]);
        if (rotation && CoordinateFrame) Txt_D[f] = Negated(Txt_D[f]);
    }
    Combo_E.listIndex = Combo_E.Find(rs.Field("Ellipsoide").Value().Text());
    Remember(SecDatum, values, {Combo_E.listIndex, -1}, CoordinateFrame);
    store::Recordset& projections = Rs(RsP);
    projections.FindFirst(store::DatumIs(CurrentName[SecDatum]));
    ShowButtons(SecDatum, Locked(rs),
                projections.NoMatch() ? ""
                                      : "La projection " + base::Guillemets(projections.Field("Nom").Value().Text()) +
                                            " utilise ce datum : changez son datum ou supprimez-la d'abord.");
    // Last, since showing moves the record sets: the ellipsoid section shows
    // this datum's ellipsoid, unless it holds edits the user keeps.
    const int at = Combo_E.listIndex;
    const bool same = at == Combo[SecEllipsoid].listIndex;
    if (at >= 0 && (same ? !Edited(SecEllipsoid) : MayDrop(SecEllipsoid))) {
        Combo[SecEllipsoid].listIndex = at;
        store::Recordset& ellipsoids = Rs(RsE);
        ellipsoids.FindFirst(store::NomIs(Combo[SecEllipsoid].Text()));
        if (!ellipsoids.NoMatch()) {
            CurrentName[SecEllipsoid] = Combo[SecEllipsoid].Text();
            ShowEllipsoid(ellipsoids);
        }
    }
}

void EditorModel::ShowProjection(store::Recordset& rs) {
    const store::Value type = rs.Field("Type").Value();
    const bool type1 = !type.IsNull() && type.Double() == UtmType;
    std::vector<store::Value> values(13);
    Txt_P[0] = rs.Field("nomcomplet").Value().Text();
    Txt_P[1] = rs.Field("Pays").Value().Text();
    Txt_P[2] = rs.Field("Code").Value().Text();
    for (std::size_t i = 0; i < ProjectionNumbers.size(); ++i) {
        values[3 + i] = rs.Field(ProjectionNumbers[i]).Value();
        Txt_P[3 + i] = ShowNumber(values[3 + i]);
    }
    for (std::size_t i = 0; i < ProjectionAngles.size(); ++i) {
        values[FirstAngle + i] = rs.Field(ProjectionAngles[i]).Value();
        Txt_P[FirstAngle + i] = ShowAngle(values[FirstAngle + i], AngleKinds[i]);
    }
    for (auto [index, column] : {std::pair{WestLimit, "limitew"}, std::pair{EastLimit, "limitee"}}) {
        values[std::size_t(index)] = rs.Field(column).Value();
        Txt_P[std::size_t(index)] = type1 ? ShowNumber(values[std::size_t(index)])
                                          : ShowAngle(values[std::size_t(index)], AngleKind::Longitude);
        if (type1 && Txt_P[std::size_t(index)] == "0") Txt_P[std::size_t(index)].clear();
    }
    AutoUtm = type1 && (values[Lg0Field].IsNull() || values[Lg0Field].Double() == 0);
    Combo_type.listIndex = -1;
    for (int i = 0; !type.IsNull() && i < static_cast<int>(Combo_type.items.size()); ++i)
        if (TypeCode(Combo_type.items[i]) == type.Double()) Combo_type.listIndex = i;
    const std::string datum = rs.Field("Datum").Value().Text();
    Combo_D.listIndex = Combo_D.Find(datum);
    Remember(SecProjection, values, {Combo_D.listIndex, Combo_type.listIndex}, AutoUtm);
    ShowButtons(SecProjection, Locked(rs), "");
    // The datum section shows this projection's datum, unless it holds edits the user keeps.
    if (Combo_D.listIndex >= 0 && Combo_D.listIndex != Combo[SecDatum].listIndex) {
        if (!MayDrop(SecDatum)) return;
        Combo[SecDatum].listIndex = Combo_D.listIndex;
        store::Recordset& datums = Rs(RsD);
        datums.FindFirst(store::NomIs(datum));
        if (datums.NoMatch()) return;
        CurrentName[SecDatum] = datum;
        ShowDatum(datums);
    }
}

// --- Reading the fields

// --- Add, Apply and Delete

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

void SetColumns(store::Recordset& rs, const EditorModel::Columns& columns) {
    for (const auto& [column, value] : columns) rs.SetField(column, value);
    rs.Update();
}

void RequireName(const std::string& name, int s) {
    RequireLength(name, MaxNameLength, s == SecEllipsoid ? "Le nom usuel" : "Le nom (Pays, une espace et Code)");
}

}  // namespace

// The row a datum or projection refers to must still be in the file.
static void RequireReferenced(store::Database& db, int s, const std::string& referenced) {
    if (s == SecEllipsoid) return;
    const char* sql = s == SecDatum ? store::sql::EllipsoideByName : store::sql::DatumByName;
    if (db.OpenRecordset(sql, {store::Value(referenced)}).Eof())
        throw Refused{std::string(s == SecDatum ? "L'ellipsoïde « " : "Le datum « ") + referenced +
                      " » n'est plus dans la base de paramètres (un autre programme l'a supprimé ou renommé) ; "
                      "rien n'a été enregistré."};
}

void EditorModel::Add(int s) {
    Guarded(std::string("Impossible d'ajouter ") + ThisRow[s], true, [&] {
        const std::string name = FormName(*this, s);
        const bool nameFirst = s == SecProjection;
        if (nameFirst && NameTaken(s, name)) return messages_.Critical(AppTitle, NameTakenText[s]);
        RequireFilled(*this, s);
        RequireName(name, s);
        if (!nameFirst && NameTaken(s, name)) return messages_.Critical(AppTitle, NameTakenText[s]);
        // Fields left as the row shown had them (a copy under a new name) keep its values to the bit.
        const Columns columns = ReadColumns(s, name);
        if (!messages_.Question(AppTitle, AddQuestions[s])) return;
        {
            store::Transaction t(*db_);
            // Another program may have saved the name, or removed the row
            // referred to, since the checks above: the checks again, inside.
            if (NameTaken(s, name)) throw Refused{NameTakenText[s]};
            RequireReferenced(*db_, s, s == SecDatum ? Combo_E.Text() : Combo_D.Text());
            store::Recordset rs = db_->OpenRecordset(ByName[std::size_t(s)], {store::Value(name)});
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
        const int added = static_cast<int>(Combo[s].items.size()) - 1;
        ShowSaved(s, added);
        // After an import, the section below waits for this row.
        if (s == SecEllipsoid && pendingEllipsoid_) {
            Combo_E.listIndex = added;
            pendingEllipsoid_ = false;
        }
        if (s == SecDatum && pendingDatum_) {
            Combo_D.listIndex = added;
            pendingDatum_ = false;
        }
    });
}

void EditorModel::Apply(int s) {
    Guarded(std::string("Impossible d'enregistrer les modifications de ") + ThisRow[s], true, [&] {
        RequireFilled(*this, s);
        const std::string name = FormName(*this, s), current = CurrentName[s];
        RequireName(name, s);
        const bool renamed = name != current;
        if (!store::SameText(name, current) && NameTaken(s, name))
            return messages_.Critical(AppTitle, NameTakenText[s]);
        const Columns columns = ReadColumns(s, name);
        if (!messages_.Question(AppTitle, ApplyQuestions[s])) return;
        std::string oldEntry;
        {
            store::Transaction t(*db_);
            if (!store::SameText(name, current) && NameTaken(s, name)) throw Refused{NameTakenText[s]};
            RequireReferenced(*db_, s, s == SecDatum ? Combo_E.Text() : Combo_D.Text());
            store::Recordset rs = db_->OpenRecordset(ByName[std::size_t(s)], {store::Value(current)});
            if (rs.Eof())
                throw Refused{"« " + current +
                              " » n'est plus dans la base de paramètres (un autre programme l'a "
                              "supprimé ou renommé) ; rien n'a été enregistré."};
            if (Locked(rs)) throw Refused{LockedReason};
            // The main window lists a datum by the country and code it was saved with.
            if (s == SecDatum) oldEntry = Geographic(rs.Field("Pays").Value().Text(), rs.Field("Code").Value().Text());
            // Only what changed is written: an Apply with nothing changed leaves the file as it was.
            Columns changed;
            for (const auto& column : columns)
                if (!Same(rs.Field(column.first).Value(), column.second)) changed.push_back(column);
            if (!changed.empty()) {
                rs.Edit();
                SetColumns(rs, changed);
            }
            if (renamed && s == SecDatum) store::RenameDatumInProjections(*db_, name, current);
            if (renamed && s == SecEllipsoid) store::RenameEllipsoideInDatums(*db_, name, current);
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
        ShowSaved(s, at >= 0 ? at : Combo[s].listIndex);
    });
}

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
        const std::string name = CurrentName[s];
        if (!db_) OpenSets();
        std::string entry = name;
        {
            store::Transaction t(*db_);
            // A row saved since this one was shown, here or by another program, may refer to it.
            if (s != SecProjection) {
                store::Recordset users = db_->OpenRecordset(
                    s == SecEllipsoid ? store::sql::DatumsOfEllipsoide : store::sql::ProjectionsOfDatum,
                    {store::Value(name)});
                if (!users.Eof())
                    throw Refused{std::string("Impossible de supprimer ") + ThisRow[s] +
                                  (s == SecEllipsoid ? " : le datum " : " : la projection ") +
                                  base::Guillemets(users.Field("Nom").Value().Text()) + " l'utilise."};
            }
            store::Recordset rs = db_->OpenRecordset(ByName[std::size_t(s)], {store::Value(name)});
            if (rs.Eof()) throw store::Error(base::err::NoCurrentRecord);
            if (Locked(rs)) throw Refused{LockedReason};
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

// --- Clear and Close

void EditorModel::Com_eff_Click(int Index) {
    std::array<EditorButton*, 2> b = {&Com_appl_E, &Com_sup_E};
    switch (Index) {
    case SecEllipsoid: Txt_E.fill({}); break;
    case SecDatum:
        Txt_D.fill({});
        Combo_E.listIndex = -1;
        b = {&Com_appl_D, &Com_sup_D};
        break;
    case SecProjection:
        Txt_P.fill({});
        Combo_D.listIndex = Combo_type.listIndex = -1;
        AutoUtm = false;
        b = {&Com_appl_P, &Com_sup_P};
        break;
    default: return;
    }
    for (EditorButton* button : b) {
        button->enabled = false;
        button->reason = "Choisissez d'abord une ligne dans la liste « Nom ».";
    }
    Combo[Index].listIndex = -1;
    CurrentName[Index].clear();
    Remember(Index, {}, {-1, -1}, false);
    if (Index == SecProjection) pendingDatum_ = false;
    if (Index == SecDatum) pendingEllipsoid_ = false;
}

void EditorModel::Com_qt_Click() {
    std::string sections;
    static const std::array<const char*, 3> names = {"l'ellipsoïde", "le datum", "la projection"};
    for (int s = 0; s < 3; ++s)
        if (Edited(s)) sections += std::string(sections.empty() ? "" : ", ") + names[std::size_t(s)];
    if (!sections.empty() && !messages_.Question(AppTitle, "Des modifications ne sont pas enregistrées (" + sections +
                                                               "). Fermer sans les enregistrer ?"))
        return;
    DropSets();
    closed_ = true;
}

void EditorModel::Img_help_Click() { ShowEditorHelp(messages_); }

// --- Choices

void EditorModel::SetAutoUtm(bool on) {
    AutoUtm = on;
    if (on) Txt_P[Lg0Field].clear();
}

void EditorModel::SetCoordinateFrame(bool on) {
    if (on == CoordinateFrame) return;
    Shown& shown = shown_[SecDatum];
    for (int f = FirstRotation; f <= LastRotation; ++f) {
        std::string& text = Txt_D[std::size_t(f)];
        const bool asShown = std::size_t(f) < shown.texts.size() && shown.texts[std::size_t(f)] == text;
        text = Negated(text);
        if (asShown) shown.texts[std::size_t(f)] = text;
    }
    CoordinateFrame = on;
    shown.flag = on;
}

// --- PROJ strings and the test of a definition

namespace {

constexpr double SameAxis = 1e-4, SameEccentricity = 1e-10;

std::string Metres(double v) { return core::FormatFixed(v, 3); }

// A single-precision shift as typed (0.15, not 0.15000000596046448).
std::string FloatText(float v) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return ShowNumber(store::Value(core::ValNumber(std::string(buffer, end))));
}

}  // namespace

void EditorModel::ImportProjString(const std::string& text) {
    core::ProjDefinition def;
    try {
        def = core::ReadProjString(text);
    } catch (const base::RuntimeError& e) {
        return messages_.Critical(AppTitle, std::string("Impossible d'importer cette chaîne PROJ : ") + e.what());
    }
    for (int s = 0; s < 3; ++s)
        if (!MayDrop(s)) return;
    Guarded("Impossible d'importer cette chaîne PROJ", false, [&] {
        for (int s = 0; s < 3; ++s) Com_eff_Click(s);
        std::vector<std::string> todo;
        // An ellipsoid the file holds already is chosen, not copied.
        int ellipsoid = -1;
        store::Recordset& ellipsoids = Rs(RsE);
        for (int i = 0; ellipsoid < 0 && i < static_cast<int>(Combo[SecEllipsoid].items.size()); ++i) {
            ellipsoids.FindFirst(store::NomIs(Combo[SecEllipsoid].items[std::size_t(i)]));
            if (ellipsoids.NoMatch()) continue;
            if (std::fabs(ellipsoids.Field("a").Value().Double() - def.ellipsoid.a) < SameAxis &&
                std::fabs(ellipsoids.Field("ec").Value().Double() - def.ellipsoid.ec) < SameEccentricity)
                ellipsoid = i;
        }
        if (ellipsoid >= 0) {
            SelectCombo(SecEllipsoid, ellipsoid);
        } else {
            Txt_E = {"", ShowNumber(store::Value(def.ellipsoid.a)), ShowNumber(store::Value(def.ellipsoid.ec)),
                     ShowNumber(store::Value(def.ellipsoid.unf)), def.ellipsoidName};
            pendingEllipsoid_ = true;
            todo.push_back("l'ellipsoïde : son nom usuel, puis « Ajouter » dans la section Ellipsoïde");
        }
        // So is a datum of that ellipsoid with the same shifts.
        int datum = -1;
        store::Recordset& datums = Rs(RsD);
        const std::string ellipsoidName = ellipsoid >= 0 ? Combo_E.items[std::size_t(ellipsoid)] : "";
        for (int i = 0; datum < 0 && ellipsoid >= 0 && i < static_cast<int>(Combo[SecDatum].items.size()); ++i) {
            datums.FindFirst(store::NomIs(Combo[SecDatum].items[std::size_t(i)]));
            if (datums.NoMatch() || datums.Field("Ellipsoide").Value().Text() != ellipsoidName) continue;
            bool same = true;
            for (const auto& c : core::DatumColumns)
                same = same && datums.Field(c.name).Value().Float() == def.datum.*c.member;
            if (same) datum = i;
        }
        if (datum >= 0) {
            SelectCombo(SecDatum, datum);
        } else {
            for (std::size_t i = 0; i < core::DatumColumns.size(); ++i) {
                const std::size_t f = FirstDatumNumber + i;
                Txt_D[f] = FloatText(def.datum.*core::DatumColumns[i].member);
                if (f >= FirstRotation && f <= LastRotation && CoordinateFrame) Txt_D[f] = Negated(Txt_D[f]);
            }
            Combo_E.listIndex = ellipsoid;
            pendingDatum_ = true;
            todo.push_back("le datum : Pays et Code, puis « Ajouter » dans la section Datum");
        }
        if (!def.geographic) {
            const core::ProjectionParams& p = def.projection;
            Txt_P[3] = ShowNumber(store::Value(p.FE));
            Txt_P[4] = ShowNumber(store::Value(p.fn));
            Txt_P[5] = ShowNumber(store::Value(p.k0));
            const std::array<double, 5> angles = {p.Lg0, p.Lt0, p.Lt1, p.Lt2, p.aa};
            for (std::size_t i = 0; i < angles.size(); ++i)
                Txt_P[FirstAngle + i] = ShowAngle(store::Value(angles[i]), AngleKinds[i]);
            for (int i = 0; i < static_cast<int>(Combo_type.items.size()); ++i)
                if (TypeCode(Combo_type.items[std::size_t(i)]) == p.Type) Combo_type.listIndex = i;
            AutoUtm = p.Type == UtmType && p.Lg0 == 0;
            if (AutoUtm) Txt_P[2] = UtmCode;
            Combo_D.listIndex = datum;
            todo.push_back(std::string("la projection : Pays") + (AutoUtm ? "" : " et Code") +
                           ", puis « Ajouter » dans la section Projection (« Tester » la calcule avant)");
        }
        std::string message = "Chaîne PROJ lue.";
        if (ellipsoid >= 0)
            message += "\nEllipsoïde de la base : " + base::Guillemets(Combo_E.items[std::size_t(ellipsoid)]) + ".";
        if (datum >= 0) message += "\nDatum de la base : " + base::Guillemets(Combo_D.items[std::size_t(datum)]) + ".";
        message += "\nReste à enregistrer, dans cet ordre :";
        for (const std::string& step : todo) message += "\n- " + step;
        messages_.Info(AppTitle, message);
    });
}

void EditorModel::Com_export_Click() {
    Guarded("Impossible d'exporter la chaîne PROJ", false, [&] {
        const std::string projection = CurrentName[SecProjection], datum = CurrentName[SecDatum];
        if (projection.empty() && datum.empty())
            throw Refused{
                "Choisissez d'abord une projection ou un datum enregistrés : « Exporter » écrit la "
                "chaîne PROJ d'une ligne de la base."};
        std::string text;
        const auto both = [&](auto make) {
            for (std::int16_t method : {core::method::GeocentricTranslation, core::method::Helmert})
                text += "\n\n" + std::string(FindMethod(method)->name) + " :\n" + make(method);
        };
        if (!projection.empty()) {
            const core::ProjectionParams p = core::LoadProjection(projection);
            const core::DatumParams d = core::LoadDatum(p.Datum);
            const core::EllipsoidParams e = core::LoadEllipsoid(d.Ellipsoide);
            int zone = 0;
            if (p.Type == UtmType && p.Lg0 == 0) {
                const std::optional<double> west = ReadNumber(Txt_P[WestLimit]);
                zone = west && *west >= 1 && *west <= 60 ? int(*west) : 31;
            }
            text = "Projection " + base::Guillemets(projection) + " en chaîne PROJ (pour cs2cs ou QGIS) :";
            both([&](std::int16_t method) { return core::ProjectionProjString(p, d, e, method, zone); });
            if (zone) text += "\n\nFuseau " + std::to_string(zone) + " ; changez +zone= pour un autre.";
        } else {
            const core::DatumParams d = core::LoadDatum(datum);
            text = "Datum " + base::Guillemets(datum) + " (coordonnées géographiques) en chaîne PROJ :";
            both([&](std::int16_t method) {
                return core::GeographicProjString(d, core::LoadEllipsoid(d.Ellipsoide), method);
            });
        }
        messages_.Info(AppTitle, text);
    });
}

void EditorModel::TestPoint(const std::string& lonText, const std::string& latText) {
    Guarded("Impossible de tester cette projection", false, [&] {
        if (!Filled(lonText) || !Filled(latText))
            throw Refused{"Donnez la longitude et la latitude WGS 84 du point à projeter."};
        const double lon = Angle("Longitude WGS 84", lonText, AngleKind::Longitude);
        const double lat = Angle("Latitude WGS 84", latText, AngleKind::Latitude);
        // The definition as the fields hold it: the datum and ellipsoid
        // sections when they show the rows chosen (or rows not yet saved),
        // the saved rows otherwise.
        const auto fieldsOf = [&](int s, const EditorList& chooser) {
            return chooser.listIndex < 0 || chooser.Text() == Combo[s].Text();
        };
        if (Combo_type.listIndex < 0) throw Refused{"Choisissez le type de projection."};
        const core::ProjectionParams p = ProjectionOf(ReadColumns(SecProjection, "test"));
        core::DatumParams d;
        core::EllipsoidParams e;
        if (fieldsOf(SecDatum, Combo_D)) {
            d = DatumOf(ReadColumns(SecDatum, "test"));
            if (fieldsOf(SecEllipsoid, Combo_E)) e = EllipsoidOf(ReadColumns(SecEllipsoid, "test"));
            else e = core::LoadEllipsoid(Combo_E.Text());
        } else {
            d = core::LoadDatum(Combo_D.Text());
            e = core::LoadEllipsoid(d.Ellipsoide);
        }
        const core::DatumParams wgs = core::LoadDatum("WGS84");
        const core::EllipsoidParams wgsEll = core::LoadEllipsoid(wgs.Ellipsoide);
        const bool sevenSet =
            d.dX7 != 0 || d.dY7 != 0 || d.dZ7 != 0 || d.rX != 0 || d.rY != 0 || d.rZ != 0 || d.dS != 0;
        std::string text = "Point WGS 84 : longitude " + lonText + ", latitude " + latText + "\nsur cette projection :";
        for (std::int16_t method : {core::method::GeocentricTranslation, core::method::Helmert}) {
            if (method == core::method::Helmert && !sevenSet) continue;
            double lonD = 0, latD = 0, x = 0, y = 0;
            std::int16_t zone = 0;
            core::TransformDatumWith(wgs, d, wgsEll, e, lon, lat, lonD, latD, method);
            core::ProjectForwardWith(p, e, latD, lonD, x, y, zone);
            text += "\n" + std::string(FindMethod(method)->name) + " : ";
            text += p.Type == ObliqueMercatorType ? "x (nord) = " + Metres(x) + " m, y (est) = " + Metres(y) + " m"
                                                  : "E = " + Metres(x) + " m, N = " + Metres(y) + " m";
            if (zone) text += ", fuseau " + std::to_string(zone);
        }
        text += "\nRien n'a été enregistré.";
        messages_.Info(AppTitle, text);
    });
}

}  // namespace app
