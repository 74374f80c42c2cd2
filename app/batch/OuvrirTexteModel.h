#pragma once
// The text-import window without its widgets: which delimiter the options
// choose, whether the first line names the fields, and the import itself,
// which copies the file into the scratch database the batch window then
// browses.

#include <string>

#include "app/Messages.h"
#include "app/batch/TextImport.h"

namespace batch {

inline constexpr const char* TextImportCaption = "Fichier texte";
// The activity block `Lb_proc` walks over its frame from this left edge (twips).
inline constexpr int ActivityLeft = 720;
inline constexpr int ActivityStep = 228;
// Records the window shows as the import would make them.
inline constexpr std::size_t PreviewLines = 8;

class TextImportHost {
public:
    virtual ~TextImportHost() = default;
    virtual void SetWaitCursor(bool wait) = 0;
    // `Lb_proc` has moved during the import: draw it now.
    virtual void Activity(int left) = 0;
    virtual void CloseWindow() = 0;
};

class OuvrirTexteModel {
public:
    OuvrirTexteModel(app::Messages& messages, TextImportHost& host, std::string path);

    // Shows the file's first lines split by the delimiter it seems to have,
    // with the header option as its first line suggests.
    void Form_Load();
    void Opt_Click(int Index);
    void Txt_lim_Change();
    void Check_ligne_Click(bool on);
    void Com_appl_Click();
    void Com_anl_Click();

    std::string Lb0;  // "Fichier : " and the path
    int Opt = 0;      // 0 tabs, 1 commas, 2 semicolons, 3 "autres"
    std::string Txt_lim;
    bool Txt_lim_enabled = false;
    bool Check_ligne = true;
    bool Lb_proc_visible = false;
    int Lb_proc_left = ActivityLeft;

    // The first records with the options chosen, names first.
    TextPreview Apercu;

    std::string Delimiter = "\t";
    bool Applied = false;
    ImportedTable Result;

private:
    void ShowPreview();

    app::Messages& messages_;
    TextImportHost& host_;
    std::string path_;
};

}  // namespace batch
