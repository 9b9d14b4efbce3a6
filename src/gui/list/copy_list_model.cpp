#include "gui/list/copy_list_model.h"

namespace vt {

CopyListModel::CopyListModel(CopyList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    list_.add_listener(this);
}

CopyListModel::~CopyListModel() {
    list_.remove_listener(this);
}

int CopyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.line_count();
}

int CopyListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CopyListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return QString::fromLocal8Bit(list_.cell(index.column(), index.row() + 1));
}

QVariant CopyListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount)
        return {};
    return QString::fromLatin1(CopyList::kHeaderTitles[static_cast<size_t>(section)]);
}

void CopyListModel::lines_about_to_reset() {
    beginResetModel();
}

void CopyListModel::lines_about_to_be_inserted(int first_row, int count) {
    beginInsertRows({}, first_row - 1, first_row + count - 2);
}

void CopyListModel::lines_about_to_be_removed(int first_row, int count) {
    beginRemoveRows({}, first_row - 1, first_row + count - 2);
}

void CopyListModel::lines_reset() {
    endResetModel();
}

void CopyListModel::lines_inserted(int, int) {
    endInsertRows();
}

void CopyListModel::lines_removed(int, int) {
    endRemoveRows();
}

void CopyListModel::line_changed(int row) {
    emit dataChanged(index(row - 1, 0), index(row - 1, kColumnCount - 1));
}

void CopyListModel::current_row_changed() {
    emit currentRowChanged(list_.current_row());
}

} // namespace vt
