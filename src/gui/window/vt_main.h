#pragma once
#include "core/list/copy_list.h"
#include "core/list/entry_defaults.h"
#include "core/list/line_commands.h"
#include "core/platform/desktop_services.h"
#include "core/platform/prompter.h"
#include "core/run/copy_options.h"
#include "gui/window/main_menu.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTableView;
class QToolButton;

namespace vt {

class CommandRunner;
class CopyController;
class CopyListModel;
class DesktopCommands;
class FileCommands;
class FileDialog;
class JournalCommands;
class PreviewCommands;
class QtPrompter;
class ScheduleCommands;
class SettingsCommands;
class TEdit_vtl_Form;
class TVT_add_Form;

// The seams the main window works through; null members get the program's own
// (Qt) implementations, tests pass scripted or recording ones.
struct MainFormServices {
    Prompter* prompter = nullptr;
    DesktopServices* desktop = nullptr;
    FileDialog* open_dialog = nullptr;
    FileDialog* save_dialog = nullptr;
    CommandRunner* commands = nullptr; // systemctl, for the schedule of a list
    // The introduction screen at start-up. The program asks for it; windows of tests
    // that are not about it leave it out, since the screen is modal.
    bool introduction_at_start = false;
};

// The main window: hosts the copy list and every command of the program.
class TVT_main_Form : public QMainWindow, private CopyListListener {
    Q_OBJECT
public:
    // `list_argument` is the first command-line argument (may be empty).
    explicit TVT_main_Form(const QString& list_argument, MainFormServices services = {},
                           QWidget* parent = nullptr);
    ~TVT_main_Form() override;

    CopyList& document() { return list_; }
    Prompter& prompter() { return *prompter_; }
    DesktopServices& desktop() { return *desktop_; }
    // The introduction screen was rejected at start-up: the program is to end
    // without showing the window.
    bool ended_at_start() const { return ended_at_start_; }

    // The working methods of the list file.
    bool load_vtl(const std::string& file_name);
    bool save_vtl(const std::string& file_name);
    void grid_to_vtl();
    void vtl_to_grid();
    std::vector<std::string>& list_text() { return list_text_; }

    // Fits the window to a screen of the given width (done once at start-up).
    void fit_to_screen(int screen_width);
    // Places the window in the middle of its screen's free area.
    void centre_on_screen();

    // The copy options as the controls show them, and setting the controls.
    CopyOptions copy_options() const;
    void set_copy_options(const CopyOptions& options);

    // --- Controls (names as in the window's design) ---
    QPushButton* AddNewFiles = nullptr;
    QPushButton* Button_insert = nullptr;
    QPushButton* Edit_entry = nullptr;
    QPushButton* DeletFilesfromList = nullptr;
    QFrame* Panel1 = nullptr;
    QToolButton* BitBtn_do_copy = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CreateJournalFile = nullptr;
    QCheckBox* VerifyEachFile = nullptr;
    QGroupBox* RadioGroup_append = nullptr;
    QRadioButton* RadioAppend = nullptr;    // item 0
    QRadioButton* RadioCreateNew = nullptr; // item 1
    QLabel* Message = nullptr;
    QLineEdit* Edit3 = nullptr;
    QTableView* FileList_StringGrid = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // A copy run's progress under the grid (CopyController's); the grid makes room
    // for it while it is shown.
    QPointer<QWidget> CopyProgress;
    MainMenu menu;
    FileDialog* OpenDialog1 = nullptr;
    FileDialog* SaveDialog1 = nullptr;

    // The grid's design: row height, and no lines between cells.
    static constexpr int kRowHeight = 18;
    static constexpr int kGridLineWidth = 0;

    // --- State of the window ---
    int editor_mode = 0; // 0 add, 1 insert, 2 edit
    int editor_row = 0;  // grid row the entry editor shows; 0 = a new line
    EntryDefaults entry_defaults;
    std::string startup_list;
    std::vector<std::string> recent_files;
    bool IntroFirst = true;
    bool IntroShow = true;
    bool FileTypeRegistered = false;
    bool HelpAvailable = false;
    DesktopCommands* desktop_commands = nullptr;   // file type, shortcuts, help, links
    SettingsCommands* settings_commands = nullptr; // settings, recent files, startup list

    // Index of the selected journal option (-1 when none is selected).
    int journal_option_index() const;
    void set_journal_option_index(int index);

    // Settings groups of write_ini, as bit flags.
    enum SettingsGroup : unsigned {
        kOptionsGroup = 1,
        kDefaultsGroup = 2,
        kAutoloadGroup = 4,
        kHistoryFilesGroup = 8,
        kIntroductionGroup = 16,
    };
    // Writes exactly the named groups of the settings file; false after showing the
    // error when the file could not be written.
    bool write_ini(unsigned groups);
    void read_ini();
    void add_history_file(const std::string& name);
    void update_files_history();
    // Shows the entry editor for the current editor mode and row.
    void create_add_form();
    // Closes the entry editor when it is open; an Insert it was not confirmed for is
    // taken back.
    void close_entry_editor();
    // The close question before a command leaves the list (see FileCommands): true
    // when the command may go on.
    bool confirm_discard();
    LineCommands& line_commands() { return *line_commands_; }
    // The entry editor while it exists (hidden until a line command shows it).
    TVT_add_Form* add_form() const;

    CopyController* copy_controller() const { return copy_; }
    FileCommands& file_commands() { return *file_commands_; }
    ScheduleCommands* schedule_commands = nullptr; // "Schedule This List..."
    PreviewCommands* preview_commands = nullptr;   // preview, restore, kept versions
    JournalCommands* journal_commands = nullptr;   // "View Journal", the journal's viewer
    int versions_days = 30;                        // days replaced versions are kept (0: for ever)

public slots:
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Print1Click();
    void DoCopyNowClick();
    void CopyNow1Click();
    void CheckBackup1Click();
    void Exit1Click();
    void CreateJournalFileClick();
    // The line commands and the list text editor.
    void AddNewFilesClick();
    void Button_insertClick();
    void FileList_StringGridDblClick();
    void DeletFilesfromListClick();
    void Add1Click();
    void Insert1Click();
    void Edit2Click();
    void Delete1Click();
    void EditinVTLformat1Click();
    // The auxiliary windows.
    void About1Click();
    void ShowtheIntroductionScreen1Click();
    void ScreenShot1Click();

    // The resize rule; also when the run's progress comes or goes.
    void FormResize();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build_controls();
    void connect_commands();
    void FormCreate(const QString& list_argument);
    bool FormCloseQuery();
    void FormClose();
    void load_initial_list(const QString& list_argument);

    // Start-up steps of other subsystems.
    void check_help_file();
    void ensure_version_record();
    bool run_introduction(); // false: the user rejected it, the program ends
    void check_file_type();

    // CopyListListener
    void state_changed() override;
    void message_changed() override;
    void current_row_changed() override;
    void lines_reset() override;

    CopyList list_;
    std::vector<std::string> list_text_;
    std::unique_ptr<QtPrompter> own_prompter_;
    std::unique_ptr<DesktopServices> own_desktop_;
    std::unique_ptr<FileDialog> own_open_dialog_;
    std::unique_ptr<FileDialog> own_save_dialog_;
    std::unique_ptr<FileCommands> file_commands_;
    Prompter* prompter_ = nullptr;
    DesktopServices* desktop_ = nullptr;
    // Declared after the document: it is destroyed (and stops listening) first.
    std::unique_ptr<CopyListModel> model_;
    CopyController* copy_ = nullptr;
    bool syncing_selection_ = false;
    bool syncing_message_ = false; // the edit shows the list's message: not a user's edit
    std::unique_ptr<LineCommands> line_commands_;
    QPointer<TVT_add_Form> add_form_;
    QPointer<TEdit_vtl_Form> vtl_form_;
    bool introduction_at_start_ = false;
    bool ended_at_start_ = false;
};

} // namespace vt
