#pragma once
#include "core/platform/io_result.h"

#include <QTreeWidget>

namespace vt {

// A classic folder list: the folder's ancestors from the root down, the folder
// itself, then its subfolders one step further in. A double click enters a folder.
class DirectoryListBox final : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget* parent = nullptr);

    QString directory() const { return directory_; }
    // Shows `folder`. When it cannot be read the list stays as it was and the
    // error text comes back.
    IoResult set_directory(const QString& folder);
    // Shows a folder that cannot be read (an unplugged disk) by its path alone, so
    // that it can be kept; its ancestors can still be entered.
    void set_unavailable_directory(const QString& folder);

    // The folder an item stands for.
    static QString path_of(const QTreeWidgetItem* item);
    // The folder of the highlighted item (a subfolder not entered yet, say), else the
    // list's folder.
    QString selected_folder() const;

signals:
    void directoryChanged(const QString& folder);
    // A folder the user chose could not be entered; the text describes why.
    void enterFailed(const QString& message);

protected:
    // Enter enters the highlighted folder, as a double click does; it never reaches
    // the window's confirm button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void enter(QTreeWidgetItem* item);
    // Shows the folder's ancestors and its subfolders; returns the folder's item.
    QTreeWidgetItem* fill(const std::string& path, const std::vector<std::string>& subfolders);
    void change_to(const std::string& path);

    QString directory_;
};

} // namespace vt
