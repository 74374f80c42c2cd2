#pragma once
// The batch window on screen: a widget for every control of the model,
// mirroring its texts, lists and visibility, and forwarding every user event
// to the model's handler of the same name.

#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "app/batch/OuvrirModel.h"
#include "ui/Boxes.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QScrollArea;

namespace ui {

class Ouvrir : public QDialog, private batch::BatchHost {
    Q_OBJECT
public:
    // Without `messages`, messages are shown in message boxes.
    explicit Ouvrir(app::Messages* messages = nullptr, QWidget* parent = nullptr);
    ~Ouvrir() override;

    // Form_Load, then the widgets take the lists. Engine errors propagate.
    void Load();
    batch::OuvrirModel& Model() { return model_; }

    // The file dialogs, replaceable: they return the chosen path, nothing on
    // cancel. The platform's dialogs with the window's filters by default.
    std::function<std::optional<std::string>(const std::string&filter)> openDialog, saveDialog;

    QComboBox *Combo_in, *Combo_out, *Combo_out2, *Combo_method, *Combo_prec;
    QAbstractButton *Com_open, *Com_save, *Com_X, *Com_Y, *Com_fus, *Com_Z, *Com_ap, *Com_calc, *Com_stop, *Com_anl,
        *Img_help;
    QLabel *Lb_open, *Lb_X, *Lb_Y, *Lb_fus, *Lb_Z, *Lb_save, *Lb_compteur;
    // The kinds of height read and written, shown with a height field.
    QWidget* Frame_z;
    QComboBox *Combo_hin, *Combo_hout;
    QListWidget *List_tb, *List_ch;
    QGroupBox *Frame_geo, *Frame_ech, *Frame_txt;
    std::array<QRadioButton*, batch::GeoOptionCount> Opt{};
    std::array<QRadioButton*, 3> Opt_ch{};
    QLineEdit* Txt_echelle;
    QCheckBox *Check_txt, *Check_excel, *Check_suite, *Check_methode;
    QFrame* Shape;

    void SyncFromModel();

protected:
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetWaitCursor(bool wait) override { cursor_.Set(wait); }
    std::optional<std::string> OpenDialog(const std::string& filter) override;
    std::optional<std::string> SaveDialog(const std::string& filter) override;
    bool ShowTextImport(const std::string& path) override;
    void ShowPreview(const batch::Source& source, const std::string& table) override;
    void Progress(int width) override;
    void CloseWindow() override { done(Accepted); }

    // One builder per heading of the window, top to bottom, each adding its
    // rows to `grid` from `row` on.
    void BuildWidgets();
    void BuildSystems(QGridLayout* grid, int& row);
    void BuildOpen(QGridLayout* grid, int& row);
    void BuildMapping(QGridLayout* grid, int& row);
    void BuildSave(QGridLayout* grid, int& row);
    void BuildCompute(QGridLayout* grid, int& row);
    void NameWidgets();
    void FitScreen();
    void Forward(const std::function<void()>& handler);

    BoxMessages boxes_{this};
    app::Messages& messages_;
    batch::OuvrirModel model_;
    WaitCursorState cursor_;
    bool syncing_ = false;
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
};

}  // namespace ui
