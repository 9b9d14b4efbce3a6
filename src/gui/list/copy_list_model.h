#pragma once
#include "core/list/copy_list.h"

#include <QAbstractTableModel>

namespace vt {

// The grid's view of the copy list document: reads the document's cells, keeps no
// copy of them. View row i shows grid row i + 1; the header row is the table's header.
class CopyListModel final : public QAbstractTableModel, private CopyListListener {
    Q_OBJECT
public:
    explicit CopyListModel(CopyList& list, QObject* parent = nullptr);
    ~CopyListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void currentRowChanged(int row);

private:
    void lines_about_to_reset() override;
    void lines_about_to_be_inserted(int first_row, int count) override;
    void lines_about_to_be_removed(int first_row, int count) override;
    void lines_reset() override;
    void lines_inserted(int first_row, int count) override;
    void lines_removed(int first_row, int count) override;
    void line_changed(int row) override;
    void current_row_changed() override;

    CopyList& list_;
};

} // namespace vt
