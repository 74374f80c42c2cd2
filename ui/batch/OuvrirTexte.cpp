#include "ui/batch/OuvrirTexte.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QHeaderView>
#include <QStyle>
#include <QTableWidget>

#include "ui/Twips.h"

namespace ui {

namespace {
// The activity block walks twenty steps over its frame.
constexpr int ShapeSteps = 20;
}  // namespace

OuvrirTexte::OuvrirTexte(const std::string& path, app::Messages* messages, QWidget* parent)
    : QDialog(parent), model_(messages ? *messages : boxes_, *this, path) {
    setWindowTitle(QString::fromUtf8(batch::TextImportCaption));
    model_.Form_Load();

    lb0_ = new QLabel(QString::fromStdString(model_.Lb0), this);
    lb0_->setWordWrap(true);
    lb1_ = new QLabel(QStringLiteral("Texte délimité par :"), this);
    const std::array<const char*, 4> captions{"des tabulations", "des virgules", "des points-virgules", "autres"};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        opt_[std::size_t(i)] = new QRadioButton(QString::fromUtf8(captions[std::size_t(i)]), this);
        group->addButton(opt_[std::size_t(i)], i);
    }
    opt_[std::size_t(model_.Opt)]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        model_.Opt_Click(id);
        SyncFromModel();
    });
    txtLim_ = new QLineEdit(QString::fromStdString(model_.Txt_lim), this);
    txtLim_->setFixedWidth(TwipsToPixels(600, *this));
    connect(txtLim_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.Txt_lim = text.toStdString();
        model_.Txt_lim_Change();
        SyncFromModel();
    });
    checkLigne_ = new QCheckBox(QStringLiteral("La première ligne du fichier contient les intitulés des champs"), this);
    checkLigne_->setChecked(model_.Check_ligne);
    connect(checkLigne_, &QCheckBox::toggled, this, [this](bool on) {
        model_.Check_ligne_Click(on);
        SyncFromModel();
    });
    lbApercu_ = new QLabel(this);
    grid_ = new QTableWidget(this);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->setVisible(false);
    grid_->setMinimumHeight(TwipsToPixels(2400, *this));

    auto* appl =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Appliquer"), this);
    appl->setToolTip(QStringLiteral("Appliquer"));
    appl->setDefault(true);
    connect(appl, &QPushButton::clicked, this, [this] { model_.Com_appl_Click(); });
    comAppl_ = appl;
    auto* anl = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Annuler"), this);
    anl->setToolTip(QStringLiteral("Annuler"));
    connect(anl, &QPushButton::clicked, this, [this] { model_.Com_anl_Click(); });
    comAnl_ = anl;

    shape_ = new QFrame(this);
    shape_->setFrameShape(QFrame::Box);
    shape_->setFixedSize(TwipsToPixels(batch::ActivityStep * ShapeSteps, *this), TwipsToPixels(240, *this));
    QSizePolicy keep = shape_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    shape_->setSizePolicy(keep);
    lbProc_ = new QLabel(shape_);
    lbProc_->setAutoFillBackground(true);
    QPalette p = lbProc_->palette();
    p.setColor(QPalette::Window, QColor(0, 0, 128));
    lbProc_->setPalette(p);
    lbProc_->setGeometry(0, 0, TwipsToPixels(batch::ActivityStep, *this), shape_->height());

    auto* grid = new QGridLayout(this);
    grid->addWidget(lb0_, 0, 0, 1, 3);
    grid->addWidget(lb1_, 1, 0, 1, 3);
    for (int i = 0; i < 3; ++i) grid->addWidget(opt_[std::size_t(i)], 2 + i, 0, 1, 3);
    grid->addWidget(opt_[3], 5, 0);
    grid->addWidget(txtLim_, 5, 1, Qt::AlignLeft);
    grid->addWidget(checkLigne_, 6, 0, 1, 3);
    grid->addWidget(lbApercu_, 7, 0, 1, 3);
    grid->addWidget(grid_, 8, 0, 1, 3);
    grid->addWidget(shape_, 9, 0, 1, 3, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(appl);
    buttons->addWidget(anl);
    grid->addLayout(buttons, 10, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    SyncFromModel();
}

void OuvrirTexte::SyncFromModel() {
    txtLim_->setEnabled(model_.Txt_lim_enabled);
    const batch::TextPreview& preview = model_.Apercu;
    lbApercu_->setText(preview.error.empty()
                           ? QString::fromUtf8("Aperçu des %1 premiers enregistrements :").arg(preview.rows.size())
                           : QString::fromStdString(preview.error));
    grid_->clear();
    grid_->setColumnCount(int(preview.names.size()));
    grid_->setRowCount(int(preview.rows.size()));
    QStringList names;
    for (const auto& name : preview.names) names << QString::fromStdString(name);
    grid_->setHorizontalHeaderLabels(names);
    for (std::size_t r = 0; r < preview.rows.size(); ++r)
        for (std::size_t c = 0; c < preview.rows[r].size() && c < preview.names.size(); ++c)
            grid_->setItem(int(r), int(c), new QTableWidgetItem(QString::fromStdString(preview.rows[r][c])));
    grid_->resizeColumnsToContents();
    shape_->setVisible(model_.Lb_proc_visible);
    lbProc_->move(TwipsToPixels(model_.Lb_proc_left - batch::ActivityLeft, *this), 0);
}

void OuvrirTexte::Activity(int) {
    SyncFromModel();
    // Only painting: the window takes no input while it imports.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace ui
