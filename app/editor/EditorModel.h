#pragma once
// The parameter editor without its widgets: three sections (ellipsoids,
// datums, projections), each a selector list, text fields and four buttons,
// and the handlers that add, change and delete rows of the parameter
// database. The Qt window mirrors this state and forwards its events; the
// tests drive the same handlers directly.
//
// Every change runs in one transaction with its renaming cascade, so a
// failure anywhere leaves the file as it was; the failure is shown as a
// message naming the action and its cause, and the editor goes on. The
// lists are changed only once the change is saved.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Messages.h"
#include "store/Engine.h"
#include "store/ParamSchema.h"

namespace app {

class MainModel;

// The main window's two lists of further systems (k = 0 or 1), as the editor
// keeps them in step with what it adds, renames and deletes.
class MainLists {
public:
    virtual ~MainLists() = default;
    virtual int ListCount(int k) const = 0;
    virtual std::string List(int k, int i) const = 0;
    virtual int ListIndex(int k) const = 0;
    virtual void AddItem(int k, const std::string& text) = 0;
    virtual void RemoveItem(int k, int i) = 0;
    virtual void SetItem(int k, int i, const std::string& text) = 0;
    // Selecting runs the list's click handler, which lays the list row out.
    virtual void SetListIndex(int k, int i) = 0;
};

// The lists of the main window's model.
class MainModelLists : public MainLists {
public:
    explicit MainModelLists(MainModel& model) : model_(model) {}
    int ListCount(int k) const override;
    std::string List(int k, int i) const override;
    int ListIndex(int k) const override;
    void AddItem(int k, const std::string& text) override;
    void RemoveItem(int k, int i) override;
    void SetItem(int k, int i, const std::string& text) override;
    void SetListIndex(int k, int i) override;

private:
    MainModel& model_;
};

struct EditorList {
    std::vector<std::string> items;
    int listIndex = -1;
    // The selected item, empty when none is selected.
    std::string Text() const;
    int Find(const std::string& text) const;  // -1 when absent
};

struct EditorButton {
    EditorButton(std::string text) : caption(std::move(text)) {}
    std::string caption;
    bool enabled = true;
    std::string reason;  // why it is greyed out (its tool tip); empty when enabled
};

// Sections, and the index of Combo and Com_eff that belongs to each.
inline constexpr int SecEllipsoid = 0, SecDatum = 1, SecProjection = 2;

// What each text field holds, with its unit: the window's labels, and the
// names refusal messages give. A projection's fields mean different things
// for each type: ProjectionLabel gives the label for a type (0: none chosen).
extern const std::array<const char*, 5> LabelsE;
extern const std::array<const char*, 13> LabelsD;
extern const std::array<const char*, 13> LabelsP;
std::string ProjectionLabel(int type, int field, bool autoUtm);
// Whether a projection field is used by `type` (all are before a type is chosen).
bool ProjectionFieldUsed(int type, int field, bool autoUtm);
// The datum's rotation fields under the coordinate-frame convention.
std::string DatumLabel(int field, bool coordinateFrame);

// The longest Nom the parameter database holds (Pays, a blank and Code for a
// datum or a projection), in characters.
inline constexpr std::size_t MaxNameLength = store::schema::NameSize;
inline constexpr std::size_t MaxFullNameLength = store::schema::FullNameSize;

class EditorModel {
public:
    EditorModel(Messages& messages, MainLists& main);

    // Opens the parameter database at store::ParamDbPath() and fills the
    // lists. Engine errors propagate: the window cannot open without it.
    void Form_Load();

    void Combo_Click(int Index);
    void Combo_D_Click();
    void Combo_E_Click();
    // What choosing an entry does: sets the position, then runs the click.
    void SelectCombo(int Index, int listIndex);
    void SelectCombo_D(int listIndex);
    void SelectCombo_E(int listIndex);
    void SelectCombo_type(int listIndex) { Combo_type.listIndex = listIndex; }

    void Com_aj_E_Click();
    void Com_aj_D_Click();
    void Com_aj_P_Click();
    void Com_appl_E_Click();
    void Com_appl_D_Click();
    void Com_appl_P_Click();
    void Com_sup_E_Click();
    void Com_sup_D_Click();
    void Com_sup_P_Click();
    void Com_eff_Click(int Index);
    // Asks before dropping unsaved edits; the window stays open on No.
    void Com_qt_Click();
    void Img_help_Click();

    // The type 1 choice « fuseaux UTM automatiques »: Lg0 is then stored as 0,
    // which the formulas read as a zone chosen from each point's longitude.
    void SetAutoUtm(bool on);
    // The convention the datum's rotation fields are typed in: position
    // vector (EPSG 9606, the formulas' own) or coordinate frame (EPSG 9607,
    // the signs flipped on saving). Switching flips the signs shown.
    void SetCoordinateFrame(bool on);
    // Fills the three sections from a PROJ string; an ellipsoid or datum the
    // file already holds is chosen rather than copied. What is left to add
    // is said in a message.
    void ImportProjString(const std::string& text);
    // The PROJ strings of the projection shown (or of the datum shown, as a
    // geographic system), as saved, in a message.
    void Com_export_Click();
    // A WGS 84 point (angle texts) projected with the definition in the
    // fields, saved or not; the result, or why not, in a message.
    void TestPoint(const std::string& lonText, const std::string& latText);

    // The projection type chosen, 0 when none.
    int ChosenType() const;
    // Whether a section's fields or choosers differ from the row shown.
    bool Edited(int section) const;

    bool Closed() const { return closed_; }

    // One column and the value a save writes into it.
    using Columns = std::vector<std::pair<std::string, store::Value>>;

    std::string Caption = "Modifier les paramètres de projection";
    std::array<EditorList, 3> Combo;
    EditorList Combo_E, Combo_D, Combo_type;
    std::array<std::string, 5> Txt_E;
    std::array<std::string, 13> Txt_D, Txt_P;
    EditorButton Com_aj_E{"Ajouter"}, Com_appl_E{"Appliquer les modifications"},
        Com_sup_E{"Supprimer cette ellipsoïde"};
    EditorButton Com_aj_D{"Ajouter"}, Com_appl_D{"Appliquer les modifications"}, Com_sup_D{"Supprimer ce datum"};
    EditorButton Com_aj_P{"Ajouter"}, Com_appl_P{"Appliquer les modifications"},
        Com_sup_P{"Supprimer cette projection"};
    std::array<EditorButton, 3> Com_eff{{{"Vider les champs"}, {"Vider les champs"}, {"Vider les champs"}}};
    EditorButton Com_qt{"Fermer"};
    EditorButton Com_import_P{"Importer (PROJ)..."}, Com_export_P{"Exporter (PROJ)"}, Com_test_P{"Tester..."};
    bool AutoUtm = false;
    bool CoordinateFrame = false;
    // Nom of the row each section shows; empty when it shows none.
    std::array<std::string, 3> CurrentName;

private:
    enum SetIndex { RsE, RsP, RsD, RsT };  // in the order they are opened
    store::Recordset& Rs(SetIndex which);
    void OpenSets();
    void DropSets();
    void Reopen();  // fresh sets, or none when the file cannot be read now
    bool FileChanged() const;
    void FillLists();
    void ShowEllipsoid(store::Recordset& rs);
    void ShowDatum(store::Recordset& rs);
    void ShowProjection(store::Recordset& rs);
    void Add(int section);
    void Apply(int section);
    void Delete(int section);
    // True when the section may be overwritten: nothing unsaved, or the user agrees.
    bool MayDrop(int section);
    void Remember(int section, std::vector<store::Value> values, std::array<int, 2> choosers, bool flag);
    // The stored value behind field `i` when its text is still the one shown.
    std::optional<store::Value> Kept(int section, int i) const;
    // Every column of the row from the fields, refused by name (Refused)
    // when a field is unreadable, too long or not computable.
    Columns ReadColumns(int section, const std::string& name) const;
    // A name free in the file now (a fresh query, not the window's sets).
    bool NameTaken(int section, const std::string& name);
    void ReloadLists();
    bool ReloadIfReplaced();
    // Runs an action; a store error is reported as `failure` + its cause.
    template <class Action>
    void Guarded(const std::string& failure, bool writes, Action action);
    void ShowButtons(int section, bool locked, const std::string& user);
    void ShowSaved(int section, int listIndex);

    Messages& messages_;
    MainLists& main_;
    std::optional<store::Database> db_;
    std::vector<store::Recordset> sets_;
    std::string path_;
    std::pair<std::uint64_t, std::uint64_t> fileId_{0, 0};  // device and inode of the open file
    bool closed_ = false;
    // What a section showed: its texts and choosers, and the stored values
    // behind its fields, so that a field left as shown saves the stored value
    // to the bit and an edit is told from no edit.
    struct Shown {
        std::vector<std::string> texts;
        std::vector<store::Value> values;
        std::array<int, 2> choosers{-1, -1};  // Combo_E; or Combo_D and Combo_type
        bool flag = false;                    // AutoUtm, CoordinateFrame
    };
    std::array<Shown, 3> shown_;
    // After an import, the datum or ellipsoid the next Add saves is the one
    // the projection or datum section is waiting for.
    bool pendingDatum_ = false, pendingEllipsoid_ = false;
    bool showingSaved_ = false;
};

// Number of a Combo_type entry: its last four characters read as a number.
int TypeCode(const std::string& entry);

}  // namespace app
