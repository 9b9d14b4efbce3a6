#pragma once
#include "core/list/line_commands.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace vt {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;
class MainWindowContext;
class FolderPathEdit;

// The entry editor: composes one copy specification line and writes it into the main
// window's list. Modeless, on top of the main window; destroyed when closed.
class TVT_add_Form final : public QMainWindow {
    Q_OBJECT
public:
    explicit TVT_add_Form(MainWindowContext& main);
    ~TVT_add_Form() override;

    // Fills the controls for the main window's editor mode and row.
    void Set_entry_values();
    // Shows the title and the confirm button for the current editor mode and row,
    // leaving the fields as they are (the line was deleted: the editor now adds).
    void show_target();
    // The line as the controls show it.
    EntryValues values() const;
    // True once the window has closed (it is then deleted at the next chance).
    bool closed() const { return closed_; }

    // --- Controls (names as in the window's design) ---
    QFrame* Panel1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label_sourceDir = nullptr;
    QLabel* Label_dest_dir = nullptr;
    QCheckBox* CheckBox_overwrite_old = nullptr;
    QCheckBox* Do_sub_dirs = nullptr;
    QLabel* Label_fileSpec = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    DriveComboBox* DriveComboBox1 = nullptr;
    DriveComboBox* DriveComboBox2 = nullptr;
    DirectoryListBox* DirectoryListBox1 = nullptr;
    DirectoryListBox* DirectoryListBox2 = nullptr;
    FileListBox* FileListBox1 = nullptr;
    // Typed or pasted folders under the folder lists, and a new destination folder.
    FolderPathEdit* Edit_sourceDir = nullptr;
    FolderPathEdit* Edit_destDir = nullptr;
    QPushButton* Button_newFolder = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    QMenu* File1 = nullptr;
    QAction* SavecurrentvaluesasStartupdefaults1 = nullptr;
    QAction* RestoreDefaults1 = nullptr;
    QAction* ClearCurrentDefaults1 = nullptr;
    QAction* ScreenShot1 = nullptr;

public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void SavecurrentvaluesasStartupdefaults1Click();
    void RestoreDefaults1Click();
    void ClearCurrentDefaults1Click();
    void ScreenShot1Click();
    // Makes a folder inside the selected destination folder, asking its name, and
    // makes it the destination.
    void Button_newFolderClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_controls();
    void build_menu();
    void connect_controls();
    void FormCreate();
    void FormResize();
    void FormClose();

    void Edit1Change();
    void Edit1DblClick();
    void FileListBox1DblClick();
    void DriveComboBox1Change(const QString& drive);
    void DriveComboBox2Change(const QString& drive);
    void DirectoryListBox1Change(const QString& folder);
    void DirectoryListBox2Change(const QString& folder);

    // Applies folders, filter and flags; a folder that cannot be read is reported and
    // shown by its path.
    void apply(const EntryFill& fill);
    void select_folder(DriveComboBox* drive, DirectoryListBox* list, const std::string& folder);
    // A folder typed into `edit`: the list follows it. A destination that is not there
    // yet is taken as it is (the run makes it); any other folder that cannot be shown
    // is reported and the list stays.
    void choose_typed(DriveComboBox* drive, DirectoryListBox* list, FolderPathEdit* edit,
                      const QString& folder, bool may_be_new);
    void show_error(const std::string& message);
    void show_short_folder(QLabel* label, const QString& folder);

    // A field as it was filled in, and as its control then showed it: while the control
    // still shows that, the field keeps its bytes, also where they are not text in
    // the local encoding.
    struct Filled {
        QString shown;
        std::string bytes;
    };
    static std::string bytes_of(const QString& now, const Filled& filled);

    MainWindowContext& main_;
    Filled source_, filter_, destination_;
    int bottom_margin_ = 0;
    int button_gap_ = 0;
    bool closed_ = false;
};

} // namespace vt
