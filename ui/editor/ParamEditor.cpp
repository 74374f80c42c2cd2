#include "ui/editor/ParamEditor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Boxes.h"

namespace ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A type entry holds its code after a run of blanks; the screen shows the name.
QString TypeDisplay(const std::string& entry) { return Q(entry.substr(0, entry.find("     "))); }

void SyncList(QComboBox* combo, const app::EditorList& list, bool types = false) {
    const QSignalBlocker block(combo);
    bool same = combo->count() == static_cast<int>(list.items.size());
    for (int i = 0; same && i < combo->count(); ++i)
        same = combo->itemData(i).toString() == Q(list.items[i]);
    if (!same) {
        combo->clear();
        for (const auto& item : list.items) combo->addItem(types ? TypeDisplay(item) : Q(item), Q(item));
    }
    combo->setCurrentIndex(list.listIndex);
}

template <std::size_t N>
void SyncTexts(std::vector<QLineEdit*>& edits, const std::array<std::string, N>& texts) {
    for (std::size_t i = 0; i < N; ++i)
        if (edits[i]->text() != Q(texts[i])) {
            edits[i]->setText(Q(texts[i]));
            edits[i]->setCursorPosition(0);  // a long full name shows its beginning
        }
}

template <std::size_t N>
void PullTexts(const std::vector<QLineEdit*>& edits, std::array<std::string, N>& texts) {
    for (std::size_t i = 0; i < N; ++i) texts[i] = edits[i]->text().toStdString();
}

}  // namespace

ParamEditor::ParamEditor(app::MainLists& main, app::Messages* messages, QWidget* parent)
    : QDialog(parent), ownMessages_(messages ? nullptr : std::make_unique<BoxMessages>(this)) {
    model_ = std::make_unique<app::EditorModel>(messages ? *messages : *ownMessages_, main);
    setWindowTitle(Q(model_->Caption));
    setModal(true);
    Build();
    SyncFromModel();
}

ParamEditor::~ParamEditor() = default;

void ParamEditor::Load() {
    model_->Form_Load();
    SyncFromModel();
}

void ParamEditor::Build() {
    app::EditorModel& m = *model_;
    auto button = [this](const app::EditorButton& b, const std::function<void()>& handler) {
        auto* w = new QPushButton(Q(b.caption), this);
        w->setAutoDefault(false);  // Enter in a field must not add or delete a row
        connect(w, &QPushButton::clicked, this, [this, handler] { Forward(handler); });
        return w;
    };
    auto combo = [this](const std::function<void(int)>& handler) {
        auto* w = new QComboBox(this);
        w->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        w->setMinimumContentsLength(14);
        connect(w, &QComboBox::activated, this, [this, handler](int i) { Forward([&] { handler(i); }); });
        return w;
    };
    // Tab runs through the sections in reading order.
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* w) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    };
    // One section: its selector, fields (with a chooser or two after Code)
    // and buttons.
    auto section = [&](const QString& title, int index, const auto& labels, std::vector<QLineEdit*>& edits,
                       std::vector<std::pair<QString, QComboBox*>> choosers,
                       std::vector<QPushButton*> buttons) {
        auto* box = new QGroupBox(title, this);
        auto* grid = new QGridLayout;
        Combo[index] = combo([this, index](int i) { model_->SelectCombo(index, i); });
        grid->addWidget(new QLabel(QStringLiteral("Nom :"), box), 0, 0);
        grid->addWidget(Combo[index], 0, 1);
        chain(Combo[index]);
        int row = 1;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            auto* edit = new QLineEdit(box);
            auto* label = new QLabel(QString::fromUtf8(labels[i]) + QStringLiteral(" :"), box);
            label->setBuddy(edit);
            grid->addWidget(label, row, 0);
            grid->addWidget(edit, row++, 1);
            edits.push_back(edit);
            chain(edit);
            if (i == 2)  // after Code
                for (auto& [caption, chooser] : choosers) {
                    grid->addWidget(new QLabel(caption, box), row, 0);
                    grid->addWidget(chooser, row++, 1);
                    chain(chooser);
                }
        }
        grid->setRowStretch(row++, 1);
        auto* column = new QVBoxLayout;
        for (QPushButton* b : buttons) {
            column->addWidget(b);
            chain(b);
        }
        grid->addLayout(column, row, 0, 1, 2);
        box->setLayout(grid);
        return box;
    };

    Combo_E = combo([this](int i) { model_->SelectCombo_E(i); });
    Combo_D = combo([this](int i) { model_->SelectCombo_D(i); });
    Combo_type = combo([this](int i) { model_->SelectCombo_type(i); });
    Combo_type->setMinimumContentsLength(28);  // type names are long
    Com_aj_E = button(m.Com_aj_E, [this] { model_->Com_aj_E_Click(); });
    Com_appl_E = button(m.Com_appl_E, [this] { model_->Com_appl_E_Click(); });
    Com_sup_E = button(m.Com_sup_E, [this] { model_->Com_sup_E_Click(); });
    Com_aj_D = button(m.Com_aj_D, [this] { model_->Com_aj_D_Click(); });
    Com_appl_D = button(m.Com_appl_D, [this] { model_->Com_appl_D_Click(); });
    Com_sup_D = button(m.Com_sup_D, [this] { model_->Com_sup_D_Click(); });
    Com_aj_P = button(m.Com_aj_P, [this] { model_->Com_aj_P_Click(); });
    Com_appl_P = button(m.Com_appl_P, [this] { model_->Com_appl_P_Click(); });
    Com_sup_P = button(m.Com_sup_P, [this] { model_->Com_sup_P_Click(); });
    for (int i = 0; i < 3; ++i) Com_eff[i] = button(m.Com_eff[i], [this, i] { model_->Com_eff_Click(i); });
    Com_qt = button(m.Com_qt, [this] { model_->Com_qt_Click(); });

    auto* sections = new QHBoxLayout;
    sections->addWidget(section(QStringLiteral("Ellipsoïde"), app::SecEllipsoid, app::LabelsE, Txt_E, {},
                                {Com_aj_E, Com_appl_E, Com_sup_E, Com_eff[0]}));
    sections->addWidget(section(QStringLiteral("Datum"), app::SecDatum, app::LabelsD, Txt_D,
                                {{QStringLiteral("Ellipsoïde :"), Combo_E}},
                                {Com_aj_D, Com_appl_D, Com_sup_D, Com_eff[1]}));
    sections->addWidget(section(QStringLiteral("Projection"), app::SecProjection, app::LabelsP, Txt_P,
                                {{QStringLiteral("Datum :"), Combo_D}, {QStringLiteral("Type :"), Combo_type}},
                                {Com_aj_P, Com_appl_P, Com_sup_P, Com_eff[2]}));

    Img_help = new QToolButton(this);
    Img_help->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    Img_help->setIconSize(QSize(24, 24));
    Img_help->setAutoRaise(true);
    Img_help->setToolTip(QStringLiteral("Aide"));
    connect(Img_help, &QToolButton::clicked, this, [this] { Forward([this] { model_->Img_help_Click(); }); });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Img_help);
    bottom->addStretch(1);
    bottom->addWidget(Com_qt);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sections);
    layout->addLayout(bottom);
}

void ParamEditor::SyncFromModel() {
    if (syncing_) return;
    syncing_ = true;
    app::EditorModel& m = *model_;
    for (int i = 0; i < 3; ++i) SyncList(Combo[i], m.Combo[i]);
    SyncList(Combo_E, m.Combo_E);
    SyncList(Combo_D, m.Combo_D);
    SyncList(Combo_type, m.Combo_type, true);
    SyncTexts(Txt_E, m.Txt_E);
    SyncTexts(Txt_D, m.Txt_D);
    SyncTexts(Txt_P, m.Txt_P);
    const std::array<std::pair<QPushButton*, const app::EditorButton*>, 13> buttons = {{
        {Com_aj_E, &m.Com_aj_E}, {Com_appl_E, &m.Com_appl_E}, {Com_sup_E, &m.Com_sup_E},
        {Com_aj_D, &m.Com_aj_D}, {Com_appl_D, &m.Com_appl_D}, {Com_sup_D, &m.Com_sup_D},
        {Com_aj_P, &m.Com_aj_P}, {Com_appl_P, &m.Com_appl_P}, {Com_sup_P, &m.Com_sup_P},
        {Com_eff[0], &m.Com_eff[0]}, {Com_eff[1], &m.Com_eff[1]}, {Com_eff[2], &m.Com_eff[2]},
        {Com_qt, &m.Com_qt}}};
    for (auto [widget, b] : buttons) widget->setEnabled(b->enabled);
    syncing_ = false;
}

void ParamEditor::PullFromWidgets() {
    PullTexts(Txt_E, model_->Txt_E);
    PullTexts(Txt_D, model_->Txt_D);
    PullTexts(Txt_P, model_->Txt_P);
}

void ParamEditor::Forward(const std::function<void()>& handler) {
    PullFromWidgets();
    handler();
    SyncFromModel();
    if (model_->Closed()) accept();
}

void ParamEditor::closeEvent(QCloseEvent* event) {
    if (!model_->Closed()) model_->Com_qt_Click();
    event->accept();
}

}  // namespace ui
