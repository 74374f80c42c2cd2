#include "ui/batch/Apercu.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "ui/Twips.h"

namespace ui {

RecordTableModel::RecordTableModel(std::unique_ptr<batch::TableFeed> feed, QObject* parent)
    : QAbstractTableModel(parent), feed_(std::move(feed)) {}

void RecordTableModel::ShowRecords(long count) {
    beginResetModel();
    rows_ = int(std::clamp(count, 0L, long(std::numeric_limits<int>::max())));
    endResetModel();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(feed_->Fields().size());
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const std::vector<store::Value>* row = feed_->Row(index.row());
    const std::size_t column = std::size_t(index.column());
    if (!row || column >= row->size() || (*row)[column].IsNull()) return {};
    return QString::fromStdString((*row)[column].Text());
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return QString::fromStdString(feed_->Fields()[std::size_t(section)].Name);
}

Apercu::Apercu(batch::Source source, std::string table, QWidget* parent)
    : QDialog(parent), source_(std::move(source)), table_(std::move(table)), grid_(new QTableView(this)) {
    setWindowTitle(QStringLiteral("Aperçu"));
    grid_->setObjectName(QStringLiteral("DBGrid"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // Rows of one height: a million of them cost the header nothing to place.
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    Form_Load();
}

void Apercu::placement() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    const int perInch = logicalDpiX();
    const auto twips = [perInch](int pixels) { return pixels * 1440 / perInch; };
    const batch::PreviewPlacement p = batch::PlacePreview(twips(area.width()), twips(area.height()));
    if (p.maximised) {
        setWindowState(Qt::WindowMaximized);
        return;
    }
    setWindowState(Qt::WindowNoState);
    setGeometry(area.left() + TwipsToPixels(p.left, *this), area.top() + TwipsToPixels(p.top, *this),
                TwipsToPixels(p.width, *this), TwipsToPixels(p.height, *this));
}

void Apercu::Form_Load() {
    placement();
    try {
        records_ = new RecordTableModel(std::make_unique<batch::TableFeed>(source_, table_), this);
        grid_->setModel(records_);
        const long n = records_->Feed().Count();
        records_->ShowRecords(n);
        setWindowTitle(QString::fromStdString(batch::PreviewCaption(windowTitle().toStdString(), table_, n)));
    } catch (const base::RuntimeError&) {}
}

}  // namespace ui
