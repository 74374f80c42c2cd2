#pragma once
// The text-import window: how the file is delimited, whether its first line
// names the fields, and "Appliquer", which copies it into a scratch database.

#include <QDialog>
#include <array>
#include <string>

#include "app/batch/OuvrirTexteModel.h"
#include "ui/Boxes.h"

class QAbstractButton;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;

namespace ui {

class OuvrirTexte : public QDialog, private batch::TextImportHost {
    Q_OBJECT
public:
    // Without `messages`, messages are shown in message boxes.
    OuvrirTexte(const std::string& path, app::Messages* messages = nullptr, QWidget* parent = nullptr);

    batch::OuvrirTexteModel& Model() { return model_; }
    QLabel* Lb(int Index) const { return Index == 0 ? lb0_ : lb1_; }
    QRadioButton* Opt(int Index) const { return opt_.at(std::size_t(Index)); }
    QLineEdit* Txt_lim() const { return txtLim_; }
    QCheckBox* Check_ligne() const { return checkLigne_; }
    QAbstractButton* Com_appl() const { return comAppl_; }
    QAbstractButton* Com_anl() const { return comAnl_; }
    QLabel* Lb_proc() const { return lbProc_; }
    // The file's first records as the options split them.
    QTableWidget* Grid_apercu() const { return grid_; }

private:
    void SetWaitCursor(bool wait) override { cursor_.Set(wait); }
    void Activity(int left) override;
    void CloseWindow() override { done(model_.Applied ? Accepted : Rejected); }
    void SyncFromModel();

    BoxMessages boxes_{this};
    batch::OuvrirTexteModel model_;
    WaitCursorState cursor_;
    QLabel *lb0_, *lb1_;
    std::array<QRadioButton*, 4> opt_{};
    QLineEdit* txtLim_;
    QCheckBox* checkLigne_;
    QAbstractButton *comAppl_, *comAnl_;
    QFrame* shape_;
    QLabel* lbProc_;
    QTableWidget* grid_;
    QLabel* lbApercu_;
};

}  // namespace ui
