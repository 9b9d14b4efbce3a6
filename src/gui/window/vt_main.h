#pragma once
#include "core/list/copy_list.h"
#include "core/list/line_commands.h"
#include "core/platform/desktop_services.h"
#include "core/platform/prompter.h"
#include "core/run/copy_options.h"
#include "gui/window/main_menu.h"
#include "gui/window/main_window_context.h"
#include "gui/window/main_window_state.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
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

// The main window: hosts the copy list and every command of the program. Its
// commands and dialogs see it as a MainWindowContext; the state they share is the
// window's own (MainWindowState), under the names of the window's design.
class TVT_main_Form : public QMainWindow,
                      public MainWindowContext,
                      public MainWindowState,
                      private CopyListListener {
    Q_OBJECT
public:
    // `list_argument` is the first command-line argument (may be empty).
    explicit TVT_main_Form(const QString& list_argument, MainFormServices services = {},
                           QWidget* parent = nullptr);
    ~TVT_main_Form() override;

    // The introduction screen was rejected at start-up: the program is to end
    // without showing the window.
    bool ended_at_start() const { return ended_at_start_; }

    // MainWindowContext
    QWidget& widget() override { return *this; }
    CopyList& document() override { return list_; }
    Prompter& prompter() override { return *prompter_; }
    DesktopServices& desktop() override { return *desktop_; }
    MainMenu& main_menu() override { return menu; }
    MainWindowState& state() override { return *this; }
    CopyOptions copy_options() const override;
    void set_copy_options(const CopyOptions& options) override;
    bool load_vtl(const std::string& file_name) override;
    void close_entry_editor() override;
    SettingsCommands& settings() override { return *settings_commands; }
    FileCommands& file_commands() override { return *file_commands_; }
    LineCommands& line_commands() override { return *line_commands_; }
    CopyController& copy_controller() override { return *copy_; }
    QAbstractButton& copy_button() override;
    std::vector<QObject*> commands_that_change_the_list() override;
    void run_progress_toggled() override { FormResize(); }

    // Writes the list file; false after showing the error.
    bool save_vtl(const std::string& file_name);

    // Fits the window to a screen of the given width (done once at start-up).
    void fit_to_screen(int screen_width);
    // Places the window in the middle of its screen's free area.
    void centre_on_screen();

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
    // A copy run's progress under the grid; the grid makes room for it while it is
    // shown.
    QPointer<QWidget> CopyProgress;
    MainMenu menu;
    FileDialog* OpenDialog1 = nullptr;
    FileDialog* SaveDialog1 = nullptr;

    // The grid's design: row height, and no lines between cells.
    static constexpr int kRowHeight = 18;
    static constexpr int kGridLineWidth = 0;

    // Index of the selected journal option (-1 when none is selected).
    int journal_option_index() const;
    void set_journal_option_index(int index);

    // The entry editor while it exists (hidden until a line command shows it).
    TVT_add_Form* add_form() const;

    // The command objects; each connects itself to its menu items.
    DesktopCommands* desktop_commands = nullptr;   // file type, shortcuts, help, links
    SettingsCommands* settings_commands = nullptr; // settings, recent files, startup list
    ScheduleCommands* schedule_commands = nullptr; // "Schedule This List..."
    PreviewCommands* preview_commands = nullptr;   // preview, restore, kept versions
    JournalCommands* journal_commands = nullptr;   // "View Journal", the journal's viewer

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build_controls();
    void connect_commands();
    void connect_line_commands();
    void FormCreate(const QString& list_argument);
    void FormClose();
    void load_initial_list(const QString& list_argument);
    bool run_introduction(); // false: the user rejected it, the program ends

    // The resize rule; also when the run's progress comes or goes.
    void FormResize();
    void CreateJournalFileClick();
    // Shows the entry editor for the current editor mode and row.
    void create_add_form();

    // The window's own commands.
    void Print1Click();
    void EditinVTLformat1Click();
    void About1Click();
    void ShowtheIntroductionScreen1Click();
    void ScreenShot1Click();

    // CopyListListener
    void state_changed() override;
    void message_changed() override;
    void current_row_changed() override;
    void lines_reset() override;

    CopyList list_;
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
    int versions_days_ = 30; // days replaced versions are kept (0: for ever)
    bool syncing_selection_ = false;
    bool syncing_message_ = false; // the edit shows the list's message: not a user's edit
    std::unique_ptr<LineCommands> line_commands_;
    QPointer<TVT_add_Form> add_form_;
    QPointer<TEdit_vtl_Form> vtl_form_;
    bool introduction_at_start_ = false;
    bool ended_at_start_ = false;
};

} // namespace vt
