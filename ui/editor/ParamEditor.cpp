#include "ui/editor/ParamEditor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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
    for (int i = 0; same && i < combo->count(); ++i) same = combo->itemData(i).toString() == Q(list.items[i]);
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

// Every box shows over the fields as the model holds them (an import's
// summary over the imported values), then the box of the caller's kind.
class SyncedMessages : public app::Messages {
public:
    SyncedMessages(app::Messages& inner, std::function<void()> sync) : inner_(inner), sync_(std::move(sync)) {}
    void Info(const std::string& title, const std::string& text) override {
        sync_();
        inner_.Info(title, text);
    }
    void Critical(const std::string& title, const std::string& text) override {
        sync_();
        inner_.Critical(title, text);
    }
    bool Question(const std::string& title, const std::string& text) override {
        sync_();
        return inner_.Question(title, text);
    }

private:
    app::Messages& inner_;
    std::function<void()> sync_;
};

constexpr int LabelChars = 22, FieldChars = 14;
constexpr const char* AngleHint =
    "Angles : 50°30'15.5'', 50 30 15.5 ou 50.504306 ;\nouest et sud négatifs : -2°8'6'', -2.135";

}  // namespace

ParamEditor::ParamEditor(app::MainLists& main, app::Messages* messages, QWidget* parent)
    : QDialog(parent), boxMessages_(messages ? nullptr : std::make_unique<BoxMessages>(this)) {
    ownMessages_ = std::make_unique<SyncedMessages>(messages ? *messages : *boxMessages_, [this] { SyncFromModel(); });
    model_ = std::make_unique<app::EditorModel>(*ownMessages_, main);
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
    // Tab runs through the sections in reading order (set once every widget is in the window).
    std::vector<QWidget*> order;
    auto chain = [&order](QWidget* w) { order.push_back(w); };
    // One section: its selector, fields (with choosers after Code, and before
    // the field `before` when given) and buttons in one or two columns.
    struct Chooser {
        QString caption;
        QWidget* widget;
        int before;  // the field it stands above; 3 (after Code) by default
    };
    auto section = [&](const QString& title, int index, std::size_t count, auto label, std::vector<QLineEdit*>& edits,
                       std::vector<QLabel*>* labels, std::vector<Chooser> choosers, std::vector<QPushButton*> buttons,
                       QWidget* parent, int buttonColumns) {
        auto* box = new QGroupBox(title, parent);
        auto* grid = new QGridLayout;
        Combo[index] = combo([this, index](int i) { model_->SelectCombo(index, i); });
        grid->addWidget(new QLabel(QStringLiteral("Nom :"), box), 0, 0);
        grid->addWidget(Combo[index], 0, 1);
        chain(Combo[index]);
        int row = 1;
        for (std::size_t i = 0; i < count; ++i) {
            for (auto& c : choosers)
                if (c.before == int(i)) {
                    if (!c.caption.isEmpty()) grid->addWidget(new QLabel(c.caption, box), row, 0);
                    grid->addWidget(c.widget, row++, c.caption.isEmpty() ? 0 : 1, 1, c.caption.isEmpty() ? 2 : 1);
                    chain(c.widget);
                }
            auto* edit = new QLineEdit(box);
            auto* caption = new QLabel(Q(label(int(i))) + QStringLiteral(" :"), box);
            caption->setBuddy(edit);
            // Long labels wrap, so that three sections fit a 1366-pixel screen at 120 dpi.
            caption->setWordWrap(true);
            const int ch = caption->fontMetrics().averageCharWidth();
            caption->setMinimumWidth(ch * LabelChars);
            caption->setMaximumWidth(ch * LabelChars * 3 / 2);
            edit->setMinimumWidth(ch * FieldChars);
            grid->addWidget(caption, row, 0);
            grid->addWidget(edit, row++, 1);
            edits.push_back(edit);
            if (labels) labels->push_back(caption);
            chain(edit);
        }
        grid->setRowStretch(row++, 1);
        auto* column = new QGridLayout;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            column->addWidget(buttons[i], int(i) / buttonColumns, int(i) % buttonColumns);
            chain(buttons[i]);
        }
        grid->addLayout(column, row, 0, 1, 2);
        box->setLayout(grid);
        return box;
    };

    Combo_E = combo([this](int i) { model_->SelectCombo_E(i); });
    Combo_D = combo([this](int i) { model_->SelectCombo_D(i); });
    Combo_type = combo([this](int i) { model_->SelectCombo_type(i); });
    Combo_type->setMinimumContentsLength(22);  // type names are long
    Combo_rot = new QComboBox(this);
    Combo_rot->addItem(QStringLiteral("Rotations en vecteur position (EPSG 9606)"));
    Combo_rot->addItem(QStringLiteral("Rotations en rotation du repère (EPSG 9607)"));
    Combo_rot->setToolTip(QStringLiteral(
        "Les formules calculent en vecteur position (EPSG 9606). Des rotations publiées en rotation du repère "
        "(EPSG 9607) s'y tapent telles quelles : leurs signes sont inversés à l'enregistrement."));
    connect(Combo_rot, &QComboBox::activated, this,
            [this](int i) { Forward([this, i] { model_->SetCoordinateFrame(i == 1); }); });
    Chk_utm = new QCheckBox(QStringLiteral("fuseaux UTM automatiques"), this);
    Chk_utm->setToolTip(QStringLiteral(
        "Lg0 est alors enregistré à 0 : chaque point prend le fuseau UTM de sa longitude (code « UTM »)."));
    connect(Chk_utm, &QCheckBox::clicked, this, [this](bool on) { Forward([this, on] { model_->SetAutoUtm(on); }); });
    Com_aj_E = button(m.Com_aj_E, [this] { model_->Com_aj_E_Click(); });
    Com_appl_E = button(m.Com_appl_E, [this] { model_->Com_appl_E_Click(); });
    Com_sup_E = button(m.Com_sup_E, [this] { model_->Com_sup_E_Click(); });
    Com_aj_D = button(m.Com_aj_D, [this] { model_->Com_aj_D_Click(); });
    Com_appl_D = button(m.Com_appl_D, [this] { model_->Com_appl_D_Click(); });
    Com_sup_D = button(m.Com_sup_D, [this] { model_->Com_sup_D_Click(); });
    Com_aj_P = button(m.Com_aj_P, [this] { model_->Com_aj_P_Click(); });
    Com_appl_P = button(m.Com_appl_P, [this] { model_->Com_appl_P_Click(); });
    Com_sup_P = button(m.Com_sup_P, [this] { model_->Com_sup_P_Click(); });
    Com_import_P = button(m.Com_import_P, [this] { AskImport(); });
    Com_export_P = button(m.Com_export_P, [this] { model_->Com_export_Click(); });
    Com_test_P = button(m.Com_test_P, [this] { AskTestPoint(); });
    Com_import_P->setToolTip(
        QStringLiteral("Remplit les trois sections d'une chaîne PROJ (+proj=lcc ..., "
                       "+proj=tmerc ..., +proj=somerc ..., +proj=sterea ...)."));
    Com_export_P->setToolTip(
        QStringLiteral("La chaîne PROJ de la projection (ou du datum) affichée, pour cs2cs ou QGIS."));
    Com_test_P->setToolTip(
        QStringLiteral("Projette un point WGS 84 avec les valeurs des champs, sans rien enregistrer."));
    for (int i = 0; i < 3; ++i) Com_eff[i] = button(m.Com_eff[i], [this, i] { model_->Com_eff_Click(i); });
    Com_qt = button(m.Com_qt, [this] { model_->Com_qt_Click(); });

    auto* content = new QWidget;
    auto* sections = new QHBoxLayout(content);
    sections->setContentsMargins(0, 0, 0, 0);
    sections->addWidget(section(
                            QStringLiteral("Ellipsoïde"), app::SecEllipsoid, app::LabelsE.size(),
                            [](int i) { return std::string(app::LabelsE[std::size_t(i)]); }, Txt_E, nullptr, {},
                            {Com_aj_E, Com_appl_E, Com_sup_E, Com_eff[0]}, content, 1),
                        0, Qt::AlignTop);
    sections->addWidget(section(
                            QStringLiteral("Datum"), app::SecDatum, app::LabelsD.size(),
                            [](int i) { return app::DatumLabel(i, false); }, Txt_D, &Lab_D,
                            {{QStringLiteral("Ellipsoïde :"), Combo_E, 3}, {QString(), Combo_rot, 9}},
                            {Com_aj_D, Com_appl_D, Com_sup_D, Com_eff[1]}, content, 2),
                        0, Qt::AlignTop);
    auto* hint = new QLabel(QString::fromUtf8(AngleHint), content);
    sections->addWidget(
        section(
            QStringLiteral("Projection"), app::SecProjection, app::LabelsP.size(),
            [](int i) { return app::ProjectionLabel(0, i, false); }, Txt_P, &Lab_P,
            {{QStringLiteral("Datum :"), Combo_D, 3},
             {QStringLiteral("Type :"), Combo_type, 3},
             {QString(), Chk_utm, 3},
             {QString(), hint, 6}},
            {Com_aj_P, Com_appl_P, Com_sup_P, Com_eff[2], Com_import_P, Com_export_P, Com_test_P}, content, 2),
        0, Qt::AlignTop);

    // On a small screen (1366 x 768 at 120 dpi) the sections scroll.
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

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
    layout->addWidget(scroll, 1);
    layout->addLayout(bottom);
}

void ParamEditor::showEvent(QShowEvent* event) {
    // As large as the sections want, within the screen's free area.
    if (QScreen* screen = this->screen()) {
        const QRect free = screen->availableGeometry();
        auto* scroll = findChild<QScrollArea*>();
        const QSize want = scroll->widget()->sizeHint() + QSize(scroll->verticalScrollBar()->sizeHint().width() + 24,
                                                                Com_qt->sizeHint().height() + 48);
        const QSize frame = frameGeometry().size() - geometry().size();
        resize(want.boundedTo(free.size() - frame - QSize(0, 8)));
        move(free.x() + (free.width() - width() - frame.width()) / 2, free.y());
    }
    QDialog::showEvent(event);
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
    const int type = m.ChosenType();
    for (std::size_t i = 0; i < Lab_P.size(); ++i) {
        Lab_P[i]->setText(Q(app::ProjectionLabel(type, int(i), m.AutoUtm)) + QStringLiteral(" :"));
        const bool used = app::ProjectionFieldUsed(type, int(i), m.AutoUtm);
        Lab_P[i]->setVisible(used);
        Txt_P[i]->setVisible(used);
    }
    for (std::size_t i = 0; i < Lab_D.size(); ++i)
        Lab_D[i]->setText(Q(app::DatumLabel(int(i), m.CoordinateFrame)) + QStringLiteral(" :"));
    {
        const QSignalBlocker block(Chk_utm);
        Chk_utm->setChecked(m.AutoUtm);
        Chk_utm->setVisible(type == 1);
    }
    {
        const QSignalBlocker block(Combo_rot);
        Combo_rot->setCurrentIndex(m.CoordinateFrame ? 1 : 0);
    }
    const std::array<std::pair<QPushButton*, const app::EditorButton*>, 16> buttons = {{{Com_aj_E, &m.Com_aj_E},
                                                                                        {Com_appl_E, &m.Com_appl_E},
                                                                                        {Com_sup_E, &m.Com_sup_E},
                                                                                        {Com_aj_D, &m.Com_aj_D},
                                                                                        {Com_appl_D, &m.Com_appl_D},
                                                                                        {Com_sup_D, &m.Com_sup_D},
                                                                                        {Com_aj_P, &m.Com_aj_P},
                                                                                        {Com_appl_P, &m.Com_appl_P},
                                                                                        {Com_sup_P, &m.Com_sup_P},
                                                                                        {Com_eff[0], &m.Com_eff[0]},
                                                                                        {Com_eff[1], &m.Com_eff[1]},
                                                                                        {Com_eff[2], &m.Com_eff[2]},
                                                                                        {Com_qt, &m.Com_qt},
                                                                                        {Com_import_P, &m.Com_import_P},
                                                                                        {Com_export_P, &m.Com_export_P},
                                                                                        {Com_test_P, &m.Com_test_P}}};
    for (auto [widget, b] : buttons) {
        widget->setEnabled(b->enabled);
        if (widget != Com_import_P && widget != Com_export_P && widget != Com_test_P) widget->setToolTip(Q(b->reason));
    }
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

void ParamEditor::AskImport() {
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(
        this, QStringLiteral("Importer une chaîne PROJ"),
        QStringLiteral("Chaîne PROJ du système (par exemple celle qu'EPSG ou QGIS donne) :"), QString(), &ok);
    if (ok) model_->ImportProjString(text.simplified().toStdString());
}

void ParamEditor::AskTestPoint() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Tester la projection"));
    auto* form = new QFormLayout(&dialog);
    auto* lon = new QLineEdit(&dialog);
    auto* lat = new QLineEdit(&dialog);
    lon->setObjectName(QStringLiteral("lon"));
    lat->setObjectName(QStringLiteral("lat"));
    form->addRow(new QLabel(QStringLiteral("Un point WGS 84, projeté avec les valeurs des champs."), &dialog));
    form->addRow(QStringLiteral("Longitude (4.3517 ou 4°21'6'') :"), lon);
    form->addRow(QStringLiteral("Latitude (50.8466 ou 50°50'48'') :"), lat);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() == QDialog::Accepted) model_->TestPoint(lon->text().toStdString(), lat->text().toStdString());
}

void ParamEditor::closeEvent(QCloseEvent* event) {
    if (!model_->Closed()) {
        PullFromWidgets();
        model_->Com_qt_Click();
    }
    if (model_->Closed()) event->accept();
    else event->ignore();  // the user keeps the unsaved edits
}

}  // namespace ui
