#include "app/batch/OuvrirTexteModel.h"

namespace batch {

OuvrirTexteModel::OuvrirTexteModel(app::Messages& messages, TextImportHost& host, std::string path)
    : messages_(messages), host_(host), path_(std::move(path)) {}

void OuvrirTexteModel::Form_Load() {
    Lb0 = "Fichier : " + path_;
    Delimiter = "\t";
    Applied = false;
}

void OuvrirTexteModel::Opt_Click(int Index) {
    Opt = Index;
    Txt_lim_enabled = false;
    switch (Index) {
    case 0: Delimiter = "\t"; break;
    case 1: Delimiter = ","; break;
    case 2: Delimiter = ";"; break;
    default:
        Txt_lim_enabled = true;
        Txt_lim_Change();
    }
}

void OuvrirTexteModel::Txt_lim_Change() {
    if (Opt == 3) Delimiter = Txt_lim.size() == 1 ? Txt_lim : std::string();
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
