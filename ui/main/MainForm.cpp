#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "base/Errors.h"
#include "ui/batch/Ouvrir.h"
#include "ui/editor/ParamEditor.h"
#include "ui/help/A_propos.h"
#include "app/main/ConversionTable.h"
#include "ui/Twips.h"

namespace ui {

using namespace app;

namespace {

// The layout's twips are drawn for an 8-point font; a larger window font
// widens the whole table in proportion, so that no cell clips its text.
constexpr double LayoutPointSize = 8;
double LayoutScale(const QWidget& widget) {
    return std::max(1.0, QFontInfo(widget.font()).pointSizeF() / LayoutPointSize);
}

int ScaledPixels(int twips, const QWidget& widget) {
    return TwipsToPixels(static_cast<int>(std::lround(twips * LayoutScale(widget))), widget);
}

QRect ToPixels(const Rect& r, const QWidget& widget) {
    return {ScaledPixels(r.left, widget), ScaledPixels(r.top, widget), ScaledPixels(r.width, widget),
            ScaledPixels(r.height, widget)};
}

// A menu caption with its keyboard letter: the first occurrence of `letter`.
QString WithMnemonic(const std::string& caption, char letter) {
    QString text = QString::fromStdString(caption);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const qsizetype at = text.indexOf(QLatin1Char(letter));
    if (at >= 0) text.insert(at, QLatin1Char('&'));
    return text;
}

}  // namespace

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool IsTextCell(Ctl ctl) { return ctl <= Ctl::TxtFus || ctl == Ctl::TxtH; }
bool IsCalc(Ctl ctl) { return ctl == Ctl::Com_calculer || ctl == Ctl::Com_hauteur; }

int ShiftState(Qt::KeyboardModifiers m) {
    int shift = 0;
    if (m & Qt::ShiftModifier) shift |= ShiftMask;
    if (m & Qt::ControlModifier) shift |= CtrlMask;
    if (m & Qt::AltModifier) shift |= AltMask;
    return shift;
}

void SetForeground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

}  // namespace

QtMessages::QtMessages(MainForm* form) : BoxMessages(form), form_(form) {}

void QtMessages::BeforeBox() { form_->SyncFromModel(); }

MainForm::MainForm(Messages* messages, QWidget* parent)
    : QMainWindow(parent), ownMessages_(messages ? nullptr : std::make_unique<QtMessages>(this)), messages_(messages),
      model_(messages ? *messages : *ownMessages_, *this) {
    setWindowTitle(Q(model_.Caption));
    showAbout = [this] {
        A_propos about(this);
        about.exec();
    };
    showBatch = [this] {
        Ouvrir batch(nullptr, this);
        batch.Model().TransformMethod = model_.TransformMethod;
        try {
            batch.Load();
        } catch (const base::RuntimeError& e) {
            ShowBox(this, QMessageBox::Critical, AppTitle, std::to_string(e.number) + " " + e.what(), QMessageBox::Ok);
            return;
        }
        batch.exec();
        // One method for both windows: a change made in the batch window holds here too.
        if (batch.Model().TransformMethod != model_.TransformMethod) {
            model_.SetMethod(batch.Model().TransformMethod);
            SyncFromModel();
        }
    };
    showEditor = [this] {
        app::MainModelLists lists(model_);
        ParamEditor editor(lists, messages_, this);
        try {
            editor.Load();
        } catch (const base::RuntimeError& e) {
            const std::string text = "Impossible d'ouvrir l'éditeur de paramètres :\n" + std::string(e.what()) +
                                     " (erreur " + std::to_string(e.number) + ")";
            (messages_ ? *messages_ : *ownMessages_).Critical(AppTitle, text);
            return;
        }
        editor.exec();
    };
    BuildMenus();
    BuildWidgets();
    SyncFromModel();
}

MainForm::~MainForm() = default;

void MainForm::Load() {
    model_.Form_Load();
    SyncFromModel();
}

QSize MainForm::FullSize() const { return central_->size() + QSize(0, menuBar()->sizeHint().height()); }

void MainForm::FitScreen() {
    // Room for the window manager's title bar and borders, which are not
    // known before the window is shown.
    constexpr int TitleBar = 48, Borders = 16;
    QSize want = FullSize();
    if (const QScreen* s = screen()) {
        const QSize room = s->availableGeometry().size() - QSize(Borders, TitleBar);
        want = want.boundedTo(room);
    }
    resize(want);
}

void MainForm::BuildMenus() {
    auto add = [this](QMenu* menu, MenuItem& item, char letter, void (MainModel::*handler)(), bool checkable = false) {
        QAction* action = menu->addAction(WithMnemonic(item.caption, letter));
        action->setCheckable(checkable);
        connect(action, &QAction::triggered, this, [this, handler] { Forward([&] { (model_.*handler)(); }); });
        actions_.emplace_back(&item, action);
    };
    auto menu = [this](const MenuItem& item, char letter) {
        return menuBar()->addMenu(WithMnemonic(item.caption, letter));
    };
    QMenu* fichier = menu(model_.mnu_fichier, 'F');
    add(fichier, model_.mnu_ouvrir, 'O', &MainModel::mnu_ouvrir_Click);
    fichier->addSeparator();
    add(fichier, model_.mnu_quitter, 'Q', &MainModel::mnu_quitter_Click);
    // In a cell, Ctrl+C with text selected and Ctrl+V of a single value stay
    // the cell's own (eventFilter); elsewhere these shortcuts act on the row.
    QMenu* edition = menu(model_.mnu_edition, 'd');
    add(edition, model_.mnu_copier, 'C', &MainModel::mnu_copier_Click);
    add(edition, model_.mnu_copiertout, 't', &MainModel::mnu_copiertout_Click);
    add(edition, model_.mnu_coller, 'l', &MainModel::mnu_coller_Click);
    MenuAction(model_.mnu_copier)->setShortcut(QKeySequence::Copy);
    MenuAction(model_.mnu_copiertout)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    MenuAction(model_.mnu_coller)->setShortcut(QKeySequence::Paste);
    QMenu* calculs = menu(model_.mnu_calcul, 'C');
    add(calculs, model_.mnu_calc1, 'g', &MainModel::mnu_calc1_Click, true);
    add(calculs, model_.mnu_calc2, 'M', &MainModel::mnu_calc2_Click, true);
    add(calculs, model_.mnu_calc3, 'H', &MainModel::mnu_calc3_Click, true);
    add(calculs, model_.mnu_calc4, 'I', &MainModel::mnu_calc4_Click, true);
    QMenu* projections = menu(model_.mnu_projections, 'P');
    add(projections, model_.mnu_modifier, 'M', &MainModel::mnu_modifier_Click);
    QMenu* help = menu(model_.mnu_help, '?');
    add(help, model_.mnu_apropos, 'A', &MainModel::mnu_apropos_Click);
}

void MainForm::BuildWidgets() {
    // The table keeps its layout; on a screen too small for it (a large font,
    // 120 dpi on 1366 x 768) the window fits the screen and scrolls.
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);  // the first cell has the focus at start
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    central_ = new QWidget;
    central_->setFixedSize(ScaledPixels(model_.FormRect.width, *this), ScaledPixels(model_.FormRect.height, *this));
    scroll_->setWidget(central_);
    setCentralWidget(scroll_);
    FitScreen();

    for (int c = 0; c < CtlCount; ++c) {
        const Ctl ctl = static_cast<Ctl>(c);
        auto& widgets = controls_[c];
        widgets.assign(model_.Count(ctl), nullptr);
        for (int i = 0; i < model_.Count(ctl); ++i) {
            if (!model_.Exists(ctl, i)) continue;
            const app::Control& m = model_.At(ctl, i);
            QWidget* w = nullptr;
            if (IsTextCell(ctl)) {
                auto* edit = new QLineEdit(central_);
                const bool reference = i == row::MgrsWgs84 || i == row::MgrsEd50 || i == row::Ifbl;
                if (ctl == Ctl::TxtE && reference) edit->setAlignment(Qt::AlignCenter);
                w = edit;
            } else if (IsCalc(ctl)) {
                auto* button = new QPushButton(Q(m.text), central_);
                connect(button, &QPushButton::clicked, this, [this, ctl, i] {
                    Forward(
                        [&] { ctl == Ctl::Com_hauteur ? model_.Com_hauteur_Click() : model_.Com_calculer_Click(i); });
                });
                w = button;
            } else if (ctl == Ctl::Combo_projec) {
                auto* combo = new QComboBox(central_);
                connect(combo, &QComboBox::activated, this,
                        [this, i](int index) { Forward([&] { model_.SelectListItem(i, index); }); });
                w = combo;
            } else if (ctl == Ctl::Com_anl || ctl == Ctl::Img_help) {
                auto* button = new QToolButton(central_);
                const bool quit = ctl == Ctl::Com_anl;
                button->setIcon(
                    style()->standardIcon(quit ? QStyle::SP_DialogCloseButton : QStyle::SP_MessageBoxQuestion));
                button->setIconSize(
                    QSize(ScaledPixels(m.rect.width, *this) - 8, ScaledPixels(m.rect.height, *this) - 8));
                button->setAutoRaise(!quit);
                connect(button, &QToolButton::clicked, this,
                        [this, quit] { Forward([&] { quit ? model_.Com_anl_Click() : model_.Img_help_Click(); }); });
                w = button;
            } else {
                auto* label = new QLabel(Q(m.text), central_);
                if (ctl == Ctl::Lbcol) {
                    label->setWordWrap(true);
                    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
                } else if (ctl == Ctl::Lb && i < FixedRowCount) {
                    // Row names open their parameter sheet.
                    SetForeground(label, QColor(0, 0, 255));
                    label->setCursor(Qt::PointingHandCursor);
                }
                w = label;
            }
            w->setObjectName(QStringLiteral("%1_%2").arg(c).arg(i));
            w->setToolTip(Q(m.toolTip));
            w->installEventFilter(this);
            widgets[i] = w;
        }
    }
    // Tab runs along each row to its Calc button, then to the next row.
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* w) {
        if (!w) return;
        if (previous) setTabOrder(previous, w);
        previous = w;
    };
    for (int r = 0; r < RowCount; ++r) {
        if (r >= FirstListRow) chain(Control(Ctl::Combo_projec, ListOfRow(r)));
        for (const ControlRef& c : RowCells(model_, r, false)) chain(Control(c.ctl, c.index));
        chain(Control(Ctl::Com_calculer, r));
    }
    chain(Control(Ctl::TxtH, height::Ellipsoidal));
    chain(Control(Ctl::TxtH, height::Ostend));
    chain(Control(Ctl::Com_hauteur, 0));
}

QWidget* MainForm::Control(Ctl ctl, int index) const {
    const auto& widgets = controls_[static_cast<int>(ctl)];
    return index >= 0 && index < static_cast<int>(widgets.size()) ? widgets[index] : nullptr;
}

QLineEdit* MainForm::Cell(Ctl ctl, int index) const { return qobject_cast<QLineEdit*>(Control(ctl, index)); }

QComboBox* MainForm::Combo_projec(int index) const {
    return qobject_cast<QComboBox*>(Control(Ctl::Combo_projec, index));
}

QAction* MainForm::MenuAction(const MenuItem& item) const {
    for (const auto& [menuItem, action] : actions_)
        if (menuItem == &item) return action;
    return nullptr;
}

void MainForm::SyncFromModel() {
    if (syncing_) return;
    syncing_ = true;
    for (int c = 0; c < CtlCount; ++c) {
        const Ctl ctl = static_cast<Ctl>(c);
        for (int i = 0; i < static_cast<int>(controls_[c].size()); ++i) {
            QWidget* w = controls_[c][i];
            if (!w) continue;
            const app::Control& m = model_.At(ctl, i);
            if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                if (edit->text().toStdString() != m.text) edit->setText(Q(m.text));
            } else if (auto* label = qobject_cast<QLabel*>(w)) {
                // The method lines under the table change with the method and the point.
                if (label->text() != Q(m.text)) label->setText(Q(m.text));
            } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
                const QSignalBlocker block(combo);
                // The editor renames entries as well as adding and removing them.
                bool same = combo->count() == static_cast<int>(m.items.size());
                for (int j = 0; same && j < combo->count(); ++j) same = combo->itemText(j) == Q(m.items[j]);
                if (!same) {
                    combo->clear();
                    for (const auto& item : m.items) combo->addItem(Q(item));
                }
                combo->setCurrentIndex(m.listIndex);
            }
            w->setGeometry(ToPixels(m.rect, *this));
            w->setVisible(m.visible);
        }
    }
    for (const auto& [item, action] : actions_) {
        action->setChecked(item->checked);
        action->setEnabled(item->enabled);
    }
    syncing_ = false;
}

void MainForm::PullFromWidgets() {
    // What the user typed since the last handler; the model is otherwise the
    // source of every text.
    for (int c = 0; c < CtlCount; ++c)
        for (int i = 0; IsTextCell(static_cast<Ctl>(c)) && i < static_cast<int>(controls_[c].size()); ++i)
            if (auto* edit = qobject_cast<QLineEdit*>(controls_[c][i]))
                model_.Text(static_cast<Ctl>(c), i) = edit->text().toStdString();
}

void MainForm::Forward(const std::function<void()>& handler, bool leavingCell) {
    PullFromWidgets();
    handler();
    AfterHandler(leavingCell);
}

void MainForm::AfterHandler(bool leavingCell) {
    SyncFromModel();
    const auto focus = model_.TakeFocusRequest();
    if (!focus) return;
    QPointer<QWidget> w = Control(focus->ctl, focus->index);
    const auto moveFocus = [this, w] {
        if (!w) return;
        scroll_->ensureWidgetVisible(w);
        // A move by the keyboard: a button shows its focus frame.
        w->setFocus(Qt::ShortcutFocusReason);
        // Typing over a filled row replaces each cell's text, as Tab does.
        if (auto* edit = qobject_cast<QLineEdit*>(w.data())) edit->selectAll();
    };
    // The cell being left has yet to finish losing the focus (and its
    // selection): move on once it has.
    if (leavingCell) QTimer::singleShot(0, this, moveFocus);
    else moveFocus();
}

bool MainForm::FindControl(QObject* object, Ctl& ctl, int& index) const {
    for (int c = 0; c < CtlCount; ++c)
        for (int i = 0; i < static_cast<int>(controls_[c].size()); ++i)
            if (controls_[c][i] == object) {
                ctl = static_cast<Ctl>(c);
                index = i;
                return true;
            }
    return false;
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::FocusOut && type != QEvent::FocusIn &&
        type != QEvent::MouseButtonRelease)
        return QMainWindow::eventFilter(watched, event);
    Ctl ctl;
    int index;
    if (!FindControl(watched, ctl, index)) return QMainWindow::eventFilter(watched, event);
    if (type == QEvent::FocusIn) {
        model_.GotFocus(ctl, index);
        return QMainWindow::eventFilter(watched, event);
    }

    const auto isEnter = [](QEvent* e) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };
    if (IsTextCell(ctl) && type == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* edit = static_cast<QLineEdit*>(watched);
        if (key->matches(QKeySequence::Copy) && !edit->hasSelectedText()) {
            Forward([&] { model_.mnu_copier_Click(); });
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            bool pasted = false;
            Forward([&] { pasted = model_.PasteIntoRow(model_.RowOf(ctl, index), ClipboardText()); });
            if (pasted) return true;
        }
        if (isEnter(event)) {
            Forward([&] {
                int keyAscii = KeyEnter;
                model_.KeyPress(ctl, index, keyAscii);
            });
            return true;
        }
        // An Alt key that opened no menu types nothing into the cell.
        const Qt::KeyboardModifiers m = static_cast<QKeyEvent*>(event)->modifiers();
        if ((m & Qt::AltModifier) && !(m & Qt::ControlModifier)) return true;
    } else if (IsCalc(ctl) && type == QEvent::KeyPress && isEnter(event)) {
        // The Enter chain of a row ends on its Calc button: Enter presses it.
        static_cast<QPushButton*>(watched)->click();
        return true;
    } else if (IsTextCell(ctl) && type == QEvent::FocusOut) {
        // Switching to another window or opening a box is not leaving the cell.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!syncing_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            Forward([&] { model_.LostFocus(ctl, index); }, true);
        }
    } else if (ctl == Ctl::Combo_projec && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        // Shift or Ctrl pressed and released alone asks for the sheet; the
        // Shift of Shift+Tab, going on to the next control, does not.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool modifierKey = key->key() == Qt::Key_Shift || key->key() == Qt::Key_Control;
        const int code = key->key() == Qt::Key_Shift ? KeyShift : KeyControl;
        const int shift = key->key() == Qt::Key_Shift ? ShiftMask : CtrlMask;
        if (type == QEvent::KeyPress) {
            // No other modifier held (platforms differ on whether the key's own is).
            if (!key->isAutoRepeat())
                sheetKeyPending_ = modifierKey && (ShiftState(key->modifiers()) & ~shift) == 0 ? key->key() : 0;
        } else if (key->key() == sheetKeyPending_) {
            sheetKeyPending_ = 0;
            Forward([&] { model_.Combo_projec_KeyDown(index, code, shift); });
        }
    } else if (ctl == Ctl::Lb && type == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Forward([&] { model_.Lb_Click(index); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainForm::SetWaitCursor(bool wait) { waitCursor_.Set(wait); }

void MainForm::ShowAbout() {
    if (showAbout) showAbout();
}

void MainForm::ShowBatch() {
    if (showBatch) showBatch();
}

void MainForm::ShowEditor() {
    if (showEditor) showEditor();
}

void MainForm::CloseWindow() { close(); }

void MainForm::SetClipboardText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(Q(text));
    // X11's other clipboard too, pasted with the middle button.
    if (clipboard->supportsSelection()) clipboard->setText(Q(text), QClipboard::Selection);
}

std::string MainForm::ClipboardText() { return QGuiApplication::clipboard()->text().toStdString(); }

}  // namespace ui
