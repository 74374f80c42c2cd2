#pragma once
// The parameter editor on screen: three sections side by side, each field
// with a label giving what it holds and its unit (for a projection, what it
// means for the type chosen; fields a type does not use are hidden). Every
// event goes to the model's handler of the same name; the widgets mirror the
// model after it. The sections scroll when the screen is too small for them.

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/editor/EditorModel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace ui {

class ParamEditor : public QDialog {
    Q_OBJECT
public:
    // Without `messages`, messages are shown in message boxes over this window.
    explicit ParamEditor(app::MainLists& main, app::Messages* messages = nullptr, QWidget* parent = nullptr);
    ~ParamEditor() override;

    // Form_Load, then the widgets take the lists. Engine errors propagate.
    void Load();
    app::EditorModel& Model() { return *model_; }
    void SyncFromModel();

    // The controls, by the model's names.
    std::array<QComboBox*, 3> Combo{};
    QComboBox *Combo_E = nullptr, *Combo_D = nullptr, *Combo_type = nullptr;
    QComboBox* Combo_rot = nullptr;  // the rotations' convention
    QCheckBox* Chk_utm = nullptr;    // « fuseaux UTM automatiques »
    std::vector<QLineEdit*> Txt_E, Txt_D, Txt_P;
    std::vector<QLabel*> Lab_D, Lab_P;
    QPushButton *Com_aj_E = nullptr, *Com_appl_E = nullptr, *Com_sup_E = nullptr;
    QPushButton *Com_aj_D = nullptr, *Com_appl_D = nullptr, *Com_sup_D = nullptr;
    QPushButton *Com_aj_P = nullptr, *Com_appl_P = nullptr, *Com_sup_P = nullptr;
    QPushButton *Com_import_P = nullptr, *Com_export_P = nullptr, *Com_test_P = nullptr;
    std::array<QPushButton*, 3> Com_eff{};
    QPushButton* Com_qt = nullptr;
    QToolButton* Img_help = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Build();
    void Forward(const std::function<void()>& handler);
    void PullFromWidgets();
    void AskImport();
    void AskTestPoint();

    std::unique_ptr<app::Messages> boxMessages_, ownMessages_;
    std::unique_ptr<app::EditorModel> model_;
    bool syncing_ = false;
};

}  // namespace ui
