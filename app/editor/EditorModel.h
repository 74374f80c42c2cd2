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
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Messages.h"
#include "store/Engine.h"

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
    std::string caption;
    bool enabled = true;
};

// Sections, and the index of Combo and Com_eff that belongs to each.
inline constexpr int SecEllipsoid = 0, SecDatum = 1, SecProjection = 2;

// What each text field holds, with its unit: the window's labels, and the
// names refusal messages give.
extern const std::array<const char*, 5> LabelsE;
extern const std::array<const char*, 13> LabelsD;
extern const std::array<const char*, 13> LabelsP;

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
    void Com_qt_Click();
    void Img_help_Click();

    bool Closed() const { return closed_; }

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
    // Runs an action; a store error is reported as `failure` + its cause.
    template <class Action>
    void Guarded(const std::string& failure, bool writes, Action action);

    Messages& messages_;
    MainLists& main_;
    std::optional<store::Database> db_;
    std::vector<store::Recordset> sets_;
    std::string path_;
    std::pair<std::uint64_t, std::uint64_t> fileId_{0, 0};  // device and inode of the open file
    bool closed_ = false;
};

// Number of a Combo_type entry: its last four characters read as a number.
int TypeCode(const std::string& entry);

}  // namespace app
