#include "gui/editor/directory_list_box.h"

#include "core/platform/folder_tree.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

namespace vt {

DirectoryListBox::DirectoryListBox(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { enter(item); });
}

QString DirectoryListBox::path_of(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

QString DirectoryListBox::selected_folder() const {
    const QString highlighted = path_of(currentItem());
    return highlighted.isEmpty() ? directory_ : highlighted;
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        enter(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

IoResult DirectoryListBox::set_directory(const QString& folder) {
    const std::string path = folders::clean(folder.toLocal8Bit().toStdString());
    std::vector<std::string> names;
    const IoResult r = folders::subfolders(path, names);
    if (!r)
        return r;
    fill(path, names);
    change_to(path);
    return r;
}

void DirectoryListBox::set_unavailable_directory(const QString& folder) {
    const std::string path = folders::clean(folder.toLocal8Bit().toStdString());
    fill(path, {});
    change_to(path);
}

QTreeWidgetItem* DirectoryListBox::fill(const std::string& path,
                                        const std::vector<std::string>& subfolders) {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent_item = nullptr;
    for (const std::string& ancestor : folders::ancestors(path)) {
        const QString full = QString::fromLocal8Bit(ancestor);
        const QString label = ancestor == "/" ? full : full.section(QLatin1Char('/'), -1);
        auto* item = parent_item ? new QTreeWidgetItem(parent_item) : new QTreeWidgetItem(this);
        item->setText(0, label);
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, full);
        parent_item = item;
    }
    const QString base = path == "/" ? QString() : QString::fromLocal8Bit(path);
    for (const std::string& name : subfolders) {
        auto* item = new QTreeWidgetItem(parent_item);
        item->setText(0, QString::fromLocal8Bit(name));
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, base + QLatin1Char('/') + QString::fromLocal8Bit(name));
    }
    expandAll();
    setCurrentItem(parent_item);
    scrollToItem(parent_item);
    return parent_item;
}

void DirectoryListBox::change_to(const std::string& path) {
    const QString changed = QString::fromLocal8Bit(path);
    if (changed != directory_) {
        directory_ = changed;
        emit directoryChanged(directory_);
    }
}

void DirectoryListBox::enter(QTreeWidgetItem* item) {
    const QString path = path_of(item);
    if (path.isEmpty())
        return;
    const IoResult r = set_directory(path);
    if (!r)
        emit enterFailed(path + QStringLiteral(": ") + QString::fromLocal8Bit(r.error));
}

} // namespace vt
