#include "app/batch/OuvrirTexteModel.h"

namespace batch {

OuvrirTexteModel::OuvrirTexteModel(app::Messages& messages, TextImportHost& host, std::string path)
    : messages_(messages), host_(host), path_(std::move(path)) {}

namespace {
constexpr const char* OptionDelimiters[] = {"\t", ",", ";"};  // Opt(0) to Opt(2)
}  // namespace

void OuvrirTexteModel::Form_Load() {
    Lb0 = "Fichier : " + path_;
    Applied = false;
    const TextLayout layout = GuessTextLayout(path_);
    Check_ligne = layout.header;
    Opt = 3;
    for (int i = 0; i < 3; ++i)
        if (layout.delimiter == OptionDelimiters[i]) Opt = i;
    if (Opt == 3) Txt_lim = layout.delimiter;
    Opt_Click(Opt);
}

void OuvrirTexteModel::ShowPreview() { Apercu = PreviewText(path_, {Delimiter, Check_ligne}, PreviewLines); }

void OuvrirTexteModel::Check_ligne_Click(bool on) {
    Check_ligne = on;
    ShowPreview();
}

void OuvrirTexteModel::Opt_Click(int Index) {
    Opt = Index;
    Txt_lim_enabled = false;
    if (Index >= 0 && Index < 3) {
        Delimiter = OptionDelimiters[Index];
        ShowPreview();
    } else {
        Txt_lim_enabled = true;
        Txt_lim_Change();
    }
}

void OuvrirTexteModel::Txt_lim_Change() {
    if (Opt != 3) return;
    Delimiter = Txt_lim.size() == 1 ? Txt_lim : std::string();
    ShowPreview();
}

void OuvrirTexteModel::Com_appl_Click() {
    // Without exactly one delimiter character every line would be one field.
    if (Delimiter.size() != 1) {
        messages_.Critical(app::AppTitle, "Indiquez un seul caractère comme délimiteur des champs (autres).");
        return;
    }
    host_.SetWaitCursor(true);
    Lb_proc_visible = true;
    Lb_proc_left = ActivityLeft;
    host_.Activity(Lb_proc_left);
    try {
        Result = ImportText(path_, {Delimiter, Check_ligne}, [this](long records) {
            Lb_proc_left = ActivityLeft + ActivityStep * int(records / 10 % 19);
            host_.Activity(Lb_proc_left);
        });
        Applied = true;
        host_.SetWaitCursor(false);
    } catch (const TextImportError& e) {
        Applied = false;
        host_.SetWaitCursor(false);
        messages_.Critical(app::AppTitle, e.Message());
    }
    host_.CloseWindow();
}

void OuvrirTexteModel::Com_anl_Click() {
    Applied = false;
    host_.CloseWindow();
}

}  // namespace batch
