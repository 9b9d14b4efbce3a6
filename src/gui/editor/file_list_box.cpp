#include "gui/editor/file_list_box.h"

#include "core/platform/folder_tree.h"

#include <QFileIconProvider>
#include <QFileInfo>

namespace vt {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit fileSelected(item->text()); });
}

void FileListBox::set_directory(const QString& folder) {
    directory_ = folder;
    refill();
}

void FileListBox::set_mask(const QString& mask) {
    mask_ = mask;
    refill();
}

void FileListBox::refill() {
    clear();
    std::vector<std::string> names;
    // A folder that cannot be read simply shows no files.
    folders::matching_files(directory_.toLocal8Bit().toStdString(),
                            mask_.toLocal8Bit().toStdString(), names);
    const QFileIconProvider icons;
    const QString base =
        directory_.endsWith(QLatin1Char('/')) ? directory_ : directory_ + QLatin1Char('/');
    for (const std::string& name : names) {
        const QString text = QString::fromLocal8Bit(name);
        addItem(new QListWidgetItem(icons.icon(QFileInfo(base + text)), text));
    }
    update();
    emit refilled();
}

} // namespace vt
