#pragma once
// The preview of the batch window's selected table: a read-only grid over
// all the table's records, which reads rows only as they come into view.

#include <QAbstractTableModel>
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/TableFeed.h"

class QTableView;

namespace ui {

// The grid's model: the fields as columns, every record as a row from the
// start, each read through the feed when the grid shows it.
class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordTableModel(std::unique_ptr<batch::TableFeed> feed, QObject* parent = nullptr);

    // Makes the grid cover `count` records; none until then.
    void ShowRecords(long count);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    batch::TableFeed& Feed() { return *feed_; }

private:
    std::unique_ptr<batch::TableFeed> feed_;
    int rows_ = 0;
};

class Apercu : public QDialog {
    Q_OBJECT
public:
    Apercu(batch::Source source, std::string table, QWidget* parent = nullptr);

    // Places the window, opens the table and sets the caption; a table that
    // cannot be read leaves the grid empty and the caption as far as it got.
    void Form_Load();
    void placement();

    QTableView* DBGrid() const { return grid_; }
    RecordTableModel* Records() const { return records_; }

private:
    batch::Source source_;
    std::string table_;
    QTableView* grid_;
    RecordTableModel* records_ = nullptr;
};

}  // namespace ui
