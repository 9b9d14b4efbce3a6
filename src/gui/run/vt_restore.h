#pragma once
#include "core/restore/restore_plan.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vt {

// "Restore Files...": where the backups of the list go back to (the original folders,
// or another folder with a folder for each line) and from which state of the backup
// (as it is, or the versions a run replaced on a date, for the lines that kept them).
// Its "Preview..." button accepts it; the preview comes next.
class TRestore_Form : public QDialog {
    Q_OBJECT
public:
    TRestore_Form(QWidget* parent, std::vector<VersionChoice> versions);

    RestoreRequest request() const;

    QRadioButton* OriginalFolders = nullptr;
    QRadioButton* AnotherFolder = nullptr;
    QLineEdit* Folder = nullptr;
    QPushButton* Browse = nullptr;
    QComboBox* Version = nullptr;
    QPushButton* PreviewButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void update_buttons();

    std::vector<VersionChoice> versions_;
};

} // namespace vt
