#pragma once
// The main window on screen: a widget for every control of the model, placed
// at the model's positions, mirroring its texts, visibility and check marks,
// and forwarding every user event to the model's handler of the same name.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/main/MainModel.h"
#include "app/Messages.h"
#include "ui/Boxes.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QAbstractButton;
class QScrollArea;

namespace ui {

class MainForm;

// Message boxes: modal, with the icon of their kind. The window is brought up
// to date first, so a box shown in the middle of a fill shows the rows
// already written.
class QtMessages : public BoxMessages {
public:
    explicit QtMessages(MainForm* form);

private:
    void BeforeBox() override;
    MainForm* form_;
};

class MainForm : public QMainWindow, private app::MainHost {
    Q_OBJECT
public:
    // Without `messages`, messages are shown in message boxes.
    explicit MainForm(app::Messages* messages = nullptr, QWidget* parent = nullptr);
    ~MainForm() override;

    // Form_Load, then the widgets take the lists. Engine errors propagate.
    void Load();

    app::MainModel& Model() { return model_; }
    // Widgets of the control arrays, by the model's names and indexes.
    QWidget* Control(app::Ctl ctl, int index) const;
    QLineEdit* Cell(app::Ctl ctl, int index) const;
    QComboBox* Combo_projec(int index) const;
    QAction* MenuAction(const app::MenuItem& item) const;

    // The window's size with the whole table in view; it opens at that size,
    // or smaller and scrolling on a small screen.
    QSize FullSize() const;

    // Brings every widget up to date with the model.
    void SyncFromModel();

    // How the about, batch and editor windows are shown; modal A_propos,
    // Ouvrir and ParamEditor by default.
    std::function<void()> showAbout, showBatch, showEditor;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetWaitCursor(bool wait) override;
    void ShowAbout() override;
    void ShowBatch() override;
    void ShowEditor() override;
    void CloseWindow() override;
    void SetClipboardText(const std::string& text) override;
    std::string ClipboardText() override;

    void BuildWidgets();
    void FitScreen();
    void BuildMenus();
    void PullFromWidgets();
    // leavingCell: the handler runs while a cell loses the focus.
    void Forward(const std::function<void()>& handler, bool leavingCell = false);
    void AfterHandler(bool leavingCell = false);
    bool FindControl(QObject* object, app::Ctl& ctl, int& index) const;

    std::unique_ptr<QtMessages> ownMessages_;
    app::Messages* messages_;  // the one given, else null: boxes over each window
    app::MainModel model_;
    QScrollArea* scroll_ = nullptr;
    QWidget* central_ = nullptr;
    std::array<std::vector<QWidget*>, app::CtlCount> controls_;
    std::vector<std::pair<const app::MenuItem*, QAction*>> actions_;
    bool syncing_ = false;
    int sheetKeyPending_ = 0;  // the Shift or Ctrl key pressed alone on a list
    WaitCursorState waitCursor_;
};

}  // namespace ui
