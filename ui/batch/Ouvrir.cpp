#include "ui/batch/Ouvrir.h"

#include <QApplication>
#include <algorithm>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

#include "ui/Twips.h"
#include "ui/batch/Apercu.h"
#include "ui/batch/OuvrirTexte.h"

namespace ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// "(*.mdb Access 97)|*.mdb|..." as a Qt filter, each pattern in both cases.
QString QtFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + parts[i + 1] + " " + parts[i + 1].toUpper() + ")";
    return out.join(";;");
}

QToolButton* PictureButton(QWidget* parent, QStyle::StandardPixmap picture, const char* toolTip) {
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(picture));
    b->setIconSize(QSize(24, 24));
    b->setToolTip(QString::fromUtf8(toolTip));
    return b;
}

QLabel* FieldLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(TwipsToPixels(1800, *parent));
    return l;
}

void KeepSpaceWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

// A row of option buttons in `layout`, numbered from 0 in caption order.
template <std::size_t N>
QButtonGroup* AddOptions(QWidget* owner, QWidget* parent, QBoxLayout* layout,
                         const std::array<const char*, N>& captions, std::array<QRadioButton*, N>& buttons) {
    auto* group = new QButtonGroup(owner);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QRadioButton(QString::fromUtf8(captions[i]), parent);
        group->addButton(buttons[i], int(i));
        layout->addWidget(buttons[i]);
    }
    return group;
}

// A step's bold heading over the whole width of the window's grid.
void Heading(QGridLayout* grid, int& row, QWidget* parent, const char* step, const char* text) {
    auto* l = new QLabel(QString::fromUtf8(step) + " " + QString::fromUtf8(text), parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    grid->addWidget(l, row++, 0, 1, 4);
}

void SyncList(QListWidget* list, const batch::ListControl& m) {
    const QSignalBlocker block(list);
    bool same = list->count() == int(m.items.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text().toStdString() == m.items[std::size_t(i)];
    if (!same) {
        list->clear();
        for (const auto& item : m.items) list->addItem(Q(item));
    }
    list->setCurrentRow(m.index);
}

void SyncCombo(QComboBox* combo, const batch::ListControl& m) {
    const QSignalBlocker block(combo);
    if (combo->count() != int(m.items.size())) {
        combo->clear();
        for (const auto& item : m.items) combo->addItem(Q(item));
    }
    combo->setCurrentIndex(m.index);
}

}  // namespace

Ouvrir::Ouvrir(app::Messages* messages, QWidget* parent)
    : QDialog(parent), messages_(messages ? *messages : boxes_), model_(messages_, *this) {
    setWindowTitle(QString::fromUtf8(batch::BatchCaption));
    openDialog = [this](const std::string& filter) -> std::optional<std::string> {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Ouvrir"), {}, QtFilter(filter));
        if (path.isEmpty()) return std::nullopt;
        return path.toStdString();
    };
    saveDialog = [this](const std::string& filter) -> std::optional<std::string> {
        QString chosenFilter;
        QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Enregistrer"), {}, QtFilter(filter),
                                                    &chosenFilter, QFileDialog::DontConfirmOverwrite);
        if (path.isEmpty()) return std::nullopt;
        // A name typed without its ending takes the chosen kind's.
        const qsizetype star = chosenFilter.indexOf("(*.");
        if (batch::OutputKindOf(path.toStdString()) == batch::OutputKind::None && star >= 0)
            path += chosenFilter.mid(star + 2, chosenFilter.indexOf(' ', star) - star - 2);
        return path.toStdString();
    };
    BuildWidgets();
}

Ouvrir::~Ouvrir() { qApp->removeEventFilter(this); }

void Ouvrir::Load() {
    model_.Form_Load();
    SyncFromModel();
    FitScreen();
}

void Ouvrir::FitScreen() {
    // Room for the window manager's title bar and borders, unknown before
    // the window is shown, and for the scroll bars.
    constexpr int TitleBar = 48, Borders = 16;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QSize want = content_->sizeHint() + QSize(bar, bar);
    if (const QScreen* s = screen()) want = want.boundedTo(s->availableGeometry().size() - QSize(Borders, TitleBar));
    resize(want);
}

void Ouvrir::BuildWidgets() {
    // The controls keep their layout; on a screen too small for it (120 dpi
    // on 1366 x 768) the window fits the screen and scrolls.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    content_ = new QWidget;
    scroll_->setWidget(content_);
    outer->addWidget(scroll_);
    auto* grid = new QGridLayout(content_);
    int row = 0;
    BuildSystems(grid, row);
    BuildOpen(grid, row);
    BuildMapping(grid, row);
    BuildSave(grid, row);
    BuildCompute(grid, row);
    grid->setColumnStretch(2, 1);
    NameWidgets();
}

void Ouvrir::BuildSystems(QGridLayout* grid, int& row) {
    Heading(grid, row, this, "1.", "Choix des projections :");
    auto combo = [&](const char* caption) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, 0, Qt::AlignRight);
        auto* c = new QComboBox(this);
        c->setMinimumContentsLength(28);
        grid->addWidget(c, row++, 1, 1, 3);
        return c;
    };
    Combo_in = combo("entrée :");
    Combo_out = combo("sortie 1 :");
    Combo_out2 = combo("sortie 2 :");
    connect(Combo_in, &QComboBox::activated, this, [this](int i) { Forward([&] { model_.SelectIn(i); }); });
    connect(Combo_out, &QComboBox::activated, this, [this](int i) { model_.Combo_out.index = i; });
    connect(Combo_out2, &QComboBox::activated, this, [this](int i) { model_.Combo_out2.index = i; });
    Combo_method = combo("méthode :");
    connect(Combo_method, &QComboBox::activated, this, [this](int i) {
        Forward([&] {
            model_.Combo_method.index = i;
            model_.Combo_method_Click();
        });
    });
}

void Ouvrir::BuildOpen(QGridLayout* grid, int& row) {
    Heading(grid, row, this, "2.", "Ouvrir :");
    Com_open = PictureButton(this, QStyle::SP_DialogOpenButton, "Ouvrir");
    connect(Com_open, &QAbstractButton::clicked, this, [this] { Forward([&] { model_.Com_open_Click(); }); });
    Lb_open = new QLabel(this);
    Lb_open->setFrameShape(QFrame::Panel);
    Lb_open->setFrameShadow(QFrame::Sunken);
    Lb_open->setMinimumWidth(TwipsToPixels(5400, *this));
    grid->addWidget(Com_open, row, 0, Qt::AlignRight);
    grid->addWidget(Lb_open, row++, 1, 1, 3);
}

void Ouvrir::BuildMapping(QGridLayout* grid, int& row) {
    Heading(grid, row, this, "3.", "Concordance des champs :");
    grid->addWidget(new QLabel(QStringLiteral("tables :"), this), row, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("champs :"), this), row++, 2);
    List_tb = new QListWidget(this);
    List_ch = new QListWidget(this);
    List_tb->setEnabled(false);
    List_ch->setEnabled(false);
    connect(List_tb, &QListWidget::currentRowChanged, this, [this](int r) { Forward([&] { model_.SelectTable(r); }); });
    connect(List_ch, &QListWidget::currentRowChanged, this, [this](int r) { model_.List_ch.index = r; });
    grid->addWidget(List_tb, row, 0, 1, 2);
    grid->addWidget(List_ch, row, 2);

    auto* mapping = new QGridLayout;
    auto fieldButton = [&](const char* caption, const char* tip, QLabel*& label,
                           void (batch::OuvrirModel::*handler)()) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        // Enter converts: it must never map whatever field is selected.
        b->setAutoDefault(false);
        b->setToolTip(QString::fromUtf8(tip));
        label = FieldLabel(this);
        connect(b, &QPushButton::clicked, this, [this, handler] { Forward([&] { (model_.*handler)(); }); });
        KeepSpaceWhenHidden(b);
        KeepSpaceWhenHidden(label);
        const int r = mapping->rowCount();
        mapping->addWidget(b, r, 0);
        mapping->addWidget(label, r, 1);
        return b;
    };
    Com_X = fieldButton("> X", "champs X ou E ou longitude ou MGRS", Lb_X, &batch::OuvrirModel::Com_X_Click);
    Com_Y = fieldButton("> Y", "champs Y ou N ou latitude", Lb_Y, &batch::OuvrirModel::Com_Y_Click);
    Com_fus = fieldButton("> fus", "champs fuseau UTM", Lb_fus, &batch::OuvrirModel::Com_fus_Click);
    Com_Z = fieldButton("> Z", "champ des hauteurs, facultatif (le même champ une seconde fois : aucun)", Lb_Z,
                        &batch::OuvrirModel::Com_Z_Click);
    Frame_z = new QWidget(this);
    auto* z = new QGridLayout(Frame_z);
    z->setContentsMargins(0, 0, 0, 0);
    auto heightKind = [&](const char* caption, QComboBox*& combo, batch::ListControl batch::OuvrirModel::*list) {
        combo = new QComboBox(Frame_z);
        connect(combo, &QComboBox::activated, this, [this, list](int i) { (model_.*list).index = i; });
        const int r = z->rowCount();
        z->addWidget(new QLabel(QString::fromUtf8(caption), Frame_z), r, 0);
        z->addWidget(combo, r, 1);
    };
    heightKind("hauteur lue :", Combo_hin, &batch::OuvrirModel::Combo_hin);
    heightKind("écrite :", Combo_hout, &batch::OuvrirModel::Combo_hout);
    mapping->addWidget(Frame_z, mapping->rowCount(), 0, 1, 2);

    Frame_geo = new QGroupBox(this);
    auto* geo = new QVBoxLayout(Frame_geo);
    std::array<const char*, batch::GeoOptionCount> geoCaptions{};
    for (int i = 0; i < batch::GeoOptionCount; ++i) geoCaptions[std::size_t(i)] = batch::GeoOptions[i].caption;
    auto* optGroup = AddOptions(this, Frame_geo, geo, geoCaptions, Opt);
    connect(optGroup, &QButtonGroup::idClicked, this, [this](int i) { Forward([&] { model_.Opt_Click(i); }); });
    Frame_ech = new QGroupBox(this);
    auto* ech = new QHBoxLayout(Frame_ech);
    ech->addWidget(new QLabel(QStringLiteral("échelle des coordonnées :"), Frame_ech));
    Txt_echelle = new QLineEdit(Frame_ech);
    Txt_echelle->setFixedWidth(TwipsToPixels(900, *this));
    connect(Txt_echelle, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.Txt_echelle = t.toStdString(); });
    ech->addWidget(Txt_echelle);
    ech->addWidget(new QLabel(QStringLiteral("m"), Frame_ech));
    KeepSpaceWhenHidden(Frame_geo);
    // Never both shown: a geographic input has no scale.
    mapping->addWidget(Frame_geo, mapping->rowCount(), 0, 1, 2, Qt::AlignTop);
    mapping->addWidget(Frame_ech, mapping->rowCount() - 1, 0, 1, 2, Qt::AlignTop);
    Com_ap = PictureButton(this, QStyle::SP_FileDialogContentsView, "Aperçu de la table sélectionnée");
    connect(Com_ap, &QAbstractButton::clicked, this, [this] { Forward([&] { model_.Com_ap_Click(); }); });
    mapping->addWidget(Com_ap, mapping->rowCount(), 0, Qt::AlignLeft);
    mapping->setRowStretch(mapping->rowCount(), 1);
    grid->addLayout(mapping, row++, 3);
}

void Ouvrir::BuildSave(QGridLayout* grid, int& row) {
    Heading(grid, row, this, "4.", "Enregistrer :");
    Com_save = PictureButton(this, QStyle::SP_DialogSaveButton, "Enregistrer");
    connect(Com_save, &QAbstractButton::clicked, this, [this] { Forward([&] { model_.Com_save_Click(); }); });
    Lb_save = new QLabel(this);
    Lb_save->setFrameShape(QFrame::Panel);
    Lb_save->setFrameShadow(QFrame::Sunken);
    grid->addWidget(Com_save, row, 0, Qt::AlignRight);
    grid->addWidget(Lb_save, row++, 1, 1, 3);
    Frame_txt = new QGroupBox(this);
    auto* txtLines = new QVBoxLayout(Frame_txt);
    auto* txt = new QHBoxLayout;
    txtLines->addLayout(txt);
    txt->addWidget(new QLabel(QStringLiteral("Délimitation des champs :"), Frame_txt));
    auto* chGroup =
        AddOptions(this, Frame_txt, txt, std::array<const char*, 3>{"virgule", "tabulation", "point-virgule"}, Opt_ch);
    connect(chGroup, &QButtonGroup::idClicked, this, [this](int i) { Forward([&] { model_.Opt_ch_Click(i); }); });
    Check_txt = new QCheckBox(QStringLiteral("champs encadrés par des \" \""), Frame_txt);
    connect(Check_txt, &QCheckBox::toggled, this, [this](bool on) { model_.Check_txt = on; });
    txt->addWidget(Check_txt);
    txt->addStretch();
    Check_excel = new QCheckBox(QString::fromUtf8(batch::ExcelTextCaption), Frame_txt);
    connect(Check_excel, &QCheckBox::toggled, this,
            [this](bool on) { Forward([&] { model_.Check_excel_Click(on); }); });
    txtLines->addWidget(Check_excel);
    KeepSpaceWhenHidden(Frame_txt);
    grid->addWidget(Frame_txt, row++, 1, 1, 3);
    auto* precision = new QHBoxLayout;
    precision->addWidget(new QLabel(QStringLiteral("précision des résultats :"), this));
    Combo_prec = new QComboBox(this);
    connect(Combo_prec, &QComboBox::activated, this, [this](int i) { model_.Combo_prec.index = i; });
    precision->addWidget(Combo_prec);
    precision->addStretch();
    grid->addLayout(precision, row++, 1, 1, 3);
}

void Ouvrir::BuildCompute(QGridLayout* grid, int& row) {
    Heading(grid, row, this, "5.", "Calculer :");
    Check_suite =
        new QCheckBox(QStringLiteral("poursuivre après un enregistrement en erreur (colonne « Erreur »)"), this);
    connect(Check_suite, &QCheckBox::toggled, this, [this](bool on) { model_.Check_suite = on; });
    grid->addWidget(Check_suite, row++, 0, 1, 4);
    Check_methode = new QCheckBox(QStringLiteral("colonne « Méthode » : la méthode de chaque enregistrement"), this);
    connect(Check_methode, &QCheckBox::toggled, this, [this](bool on) { model_.Check_methode = on; });
    grid->addWidget(Check_methode, row++, 0, 1, 4);
    auto* calc = new QHBoxLayout;
    auto* convert = new QPushButton(QStringLiteral("Convertir"), this);
    convert->setDefault(true);
    connect(convert, &QPushButton::clicked, this, [this] { Forward([&] { model_.Com_calc_Click(); }); });
    Com_calc = convert;
    auto* stop = new QPushButton(QStringLiteral("Annuler"), this);
    stop->setAutoDefault(false);
    stop->setEnabled(false);
    // Clicked during the run, while every other input is dropped.
    connect(stop, &QPushButton::clicked, this, [this] { model_.Com_stop_Click(); });
    Com_stop = stop;
    Shape = new QFrame(this);
    Shape->setFrameShape(QFrame::Box);
    Shape->setFixedSize(TwipsToPixels(batch::ShapeWidth, *this), TwipsToPixels(285, *this));
    Lb_compteur = new QLabel(Shape);
    Lb_compteur->setAutoFillBackground(true);
    QPalette p = Lb_compteur->palette();
    p.setColor(QPalette::Window, QColor(0, 0, 128));
    Lb_compteur->setPalette(p);
    Lb_compteur->setGeometry(0, 0, 0, Shape->height());
    Img_help = PictureButton(this, QStyle::SP_MessageBoxQuestion, "");
    static_cast<QToolButton*>(Img_help)->setAutoRaise(true);
    connect(Img_help, &QAbstractButton::clicked, this, [this] { Forward([&] { model_.Img_help_Click(); }); });
    Com_anl = PictureButton(this, QStyle::SP_DialogCloseButton, "Quitter");
    connect(Com_anl, &QAbstractButton::clicked, this, [this] { Forward([&] { model_.Com_anl_Click(); }); });
    calc->addWidget(Com_calc);
    calc->addWidget(Shape);
    calc->addWidget(Com_stop);
    calc->addStretch();
    calc->addWidget(Img_help);
    calc->addWidget(Com_anl);
    grid->addLayout(calc, row++, 0, 1, 4);
}

void Ouvrir::NameWidgets() {
    const std::pair<QObject*, const char*> names[] = {{Combo_in, "Combo_in"},
                                                      {Combo_out, "Combo_out"},
                                                      {Combo_out2, "Combo_out2"},
                                                      {Combo_method, "Combo_method"},
                                                      {Com_open, "Com_open"},
                                                      {Lb_open, "Lb_open"},
                                                      {List_tb, "List_tb"},
                                                      {List_ch, "List_ch"},
                                                      {Com_X, "Com_X"},
                                                      {Com_Y, "Com_Y"},
                                                      {Com_fus, "Com_fus"},
                                                      {Lb_X, "Lb_X"},
                                                      {Lb_Y, "Lb_Y"},
                                                      {Lb_fus, "Lb_fus"},
                                                      {Com_Z, "Com_Z"},
                                                      {Lb_Z, "Lb_Z"},
                                                      {Frame_z, "Frame_z"},
                                                      {Combo_hin, "Combo_hin"},
                                                      {Combo_hout, "Combo_hout"},
                                                      {Frame_geo, "Frame_geo"},
                                                      {Frame_ech, "Frame_ech"},
                                                      {Txt_echelle, "Txt_echelle"},
                                                      {Com_save, "Com_save"},
                                                      {Lb_save, "Lb_save"},
                                                      {Frame_txt, "Frame_txt"},
                                                      {Check_txt, "Check_txt"},
                                                      {Check_excel, "Check_excel"},
                                                      {Combo_prec, "Combo_prec"},
                                                      {Check_suite, "Check_suite"},
                                                      {Check_methode, "Check_methode"},
                                                      {Com_ap, "Com_ap"},
                                                      {Com_calc, "Com_calc"},
                                                      {Com_stop, "Com_stop"},
                                                      {Com_anl, "Com_anl"},
                                                      {Img_help, "Img_help"},
                                                      {Lb_compteur, "Lb_compteur"},
                                                      {Shape, "Shape"}};
    for (const auto& [object, name] : names) object->setObjectName(QString::fromUtf8(name));
}

void Ouvrir::SyncFromModel() {
    if (syncing_) return;
    syncing_ = true;
    SyncCombo(Combo_in, model_.Combo_in);
    SyncCombo(Combo_out, model_.Combo_out);
    SyncCombo(Combo_out2, model_.Combo_out2);
    SyncCombo(Combo_prec, model_.Combo_prec);
    SyncCombo(Combo_method, model_.Combo_method);
    SyncCombo(Combo_hin, model_.Combo_hin);
    SyncCombo(Combo_hout, model_.Combo_hout);
    SyncList(List_tb, model_.List_tb);
    SyncList(List_ch, model_.List_ch);
    List_tb->setEnabled(model_.List_tb_enabled);
    List_ch->setEnabled(model_.List_ch_enabled);
    Lb_open->setText(Q(model_.Lb_open));
    Lb_X->setText(Q(model_.Lb_X));
    Lb_Y->setText(Q(model_.Lb_Y));
    Lb_fus->setText(Q(model_.Lb_fus));
    Lb_Z->setText(Q(model_.Lb_Z));
    Lb_save->setText(Q(model_.Lb_save));
    if (Txt_echelle->text().toStdString() != model_.Txt_echelle) Txt_echelle->setText(Q(model_.Txt_echelle));
    {
        const QSignalBlocker block(Check_txt);
        Check_txt->setChecked(model_.Check_txt);
        const QSignalBlocker blockSuite(Check_suite);
        Check_suite->setChecked(model_.Check_suite);
        const QSignalBlocker blockMethode(Check_methode);
        Check_methode->setChecked(model_.Check_methode);
        const QSignalBlocker blockExcel(Check_excel);
        Check_excel->setChecked(model_.Check_excel);
    }
    Opt[std::size_t(model_.OptIndex())]->setChecked(true);
    Opt_ch[std::size_t(std::clamp<int>(model_.OutputDelimiter, 0, 2))]->setChecked(true);
    for (QRadioButton* option : Opt_ch) option->setEnabled(model_.Opt_ch_enabled);
    Com_X->setVisible(model_.Com_X_visible);
    Com_Y->setVisible(model_.Com_Y_visible);
    Com_fus->setVisible(model_.Com_fus_visible);
    Lb_X->setVisible(model_.Lb_X_visible);
    Lb_Y->setVisible(model_.Lb_Y_visible);
    Lb_fus->setVisible(model_.Lb_fus_visible);
    Com_Z->setVisible(model_.Com_Z_visible);
    Lb_Z->setVisible(model_.Com_Z_visible);
    Frame_z->setVisible(model_.Frame_z_visible());
    Frame_geo->setVisible(model_.Frame_geo_visible);
    Frame_ech->setVisible(model_.Frame_ech_visible);
    Frame_txt->setVisible(model_.Frame_txt_visible);
    Com_ap->setEnabled(model_.Com_ap_enabled);
    Com_stop->setEnabled(model_.Running());
    Lb_compteur->setFixedWidth(TwipsToPixels(model_.Lb_compteur_width, *this));
    syncing_ = false;
}

void Ouvrir::Forward(const std::function<void()>& handler) {
    if (syncing_ || model_.Running()) return;
    handler();
    SyncFromModel();
}

std::optional<std::string> Ouvrir::OpenDialog(const std::string& filter) { return openDialog(filter); }
std::optional<std::string> Ouvrir::SaveDialog(const std::string& filter) { return saveDialog(filter); }

bool Ouvrir::ShowTextImport(const std::string& path) {
    SyncFromModel();
    OuvrirTexte import(path, &messages_, this);
    import.exec();
    return import.Model().Applied;
}

void Ouvrir::ShowPreview(const batch::Source& source, const std::string& table) {
    cursor_.Set(true);
    Apercu preview(source, table, this);
    cursor_.Set(false);
    preview.exec();
}

// The run draws only its bar, and only when the bar's width on screen
// changes; user input meanwhile is dropped, not queued for after the run.
void Ouvrir::Progress(int width) {
    if (width == 0) {
        qApp->installEventFilter(this);
        SyncFromModel();
    }
    const int pixels = TwipsToPixels(width, *this);
    if (pixels == Lb_compteur->width() && width != 0) return;
    Lb_compteur->setFixedWidth(pixels);
    QApplication::processEvents();
}

bool Ouvrir::eventFilter(QObject* watched, QEvent* event) {
    if (!model_.Running()) {
        qApp->removeEventFilter(this);
        return QDialog::eventFilter(watched, event);
    }
    // Only « Annuler » takes a click while the run goes.
    const bool onStop =
        watched == Com_stop || (watched->isWidgetType() && Com_stop->isAncestorOf(static_cast<QWidget*>(watched)));
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (onStop) return QDialog::eventFilter(watched, event);
        return true;
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Close: return true;
    default: return QDialog::eventFilter(watched, event);
    }
}

void Ouvrir::reject() {
    if (!model_.Running()) QDialog::reject();
}

}  // namespace ui
