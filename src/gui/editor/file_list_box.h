#pragma once
#include <QListWidget>

namespace vt {

// The files of a folder that match a mask, with their icons.
class FileListBox final : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString directory() const { return directory_; }
    QString mask() const { return mask_; }
    void set_directory(const QString& folder);
    void set_mask(const QString& mask);

signals:
    // The list was filled again; nothing is selected in it.
    void refilled();
    // The user picked a file.
    void fileSelected(const QString& name);

private:
    void refill();

    QString directory_;
    QString mask_ = QStringLiteral("*.*");
};

} // namespace vt
