#pragma once
#include <QLineEdit>

class QFileSystemModel;

namespace vt {

// A folder typed or pasted, with the folders of the disk offered as the user types.
// What the user typed counts once it is finished: Enter, a pick from the offered
// folders, or leaving the field. Enter is taken here: it must not press the
// window's confirm button as well.
class FolderPathEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit FolderPathEdit(QWidget* parent = nullptr);

    // Shows the folder the list now shows; it is not what the user typed.
    void show_folder(const QString& folder);
    // The typed text as a full path: "~" is the home folder, and a relative name is
    // taken from `base` (the folder shown before).
    static QString full_path(const QString& typed, const QString& base);

signals:
    void folderTyped(const QString& folder);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish();

    QString shown_;
};

} // namespace vt
