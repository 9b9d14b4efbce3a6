#include "gui/window/vt_main.h"

#include "core/list/file_commands.h"
#include "core/list/list_argument.h"
#include "core/list/list_file.h"
#include "core/platform/file_names.h"
#include "core/settings/intro_decision.h"
#include "core/settings/settings_file.h"
#include "core/settings/startup_list.h"
#include "gui/desktop/desktop_commands.h"
#include "gui/desktop/qt_desktop_services.h"
#include "gui/editor/vt_entry.h"
#include "gui/list/copy_list_model.h"
#include "gui/list/qt_file_dialog.h"
#include "gui/list/vt_memo.h"
#include "gui/print/list_printing.h"
#include "gui/run/copy_controller.h"
#include "gui/run/journal_commands.h"
#include "gui/run/preview_commands.h"
#include "gui/run/run_progress_panel.h"
#include "gui/schedule/schedule_commands.h"
#include "gui/screens/vt_about.h"
#include "gui/screens/vt_intro.h"
#include "gui/screens/window_snapshot.h"
#include "gui/widgets/design_font.h"
#include "gui/widgets/program_icon.h"
#include "gui/widgets/qt_prompter.h"
#include "gui/window/hidden_item_key.h"
#include "gui/window/main_controls.h"
#include "gui/window/settings_commands.h"
#include "gui/window/text_keys_to_text.h"
#include "gui/window/tooltip_echo.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>

namespace vt {

TVT_main_Form::TVT_main_Form(const QString& list_argument, MainFormServices services,
                             QWidget* parent)
    : QMainWindow(parent), introduction_at_start_(services.introduction_at_start) {
    setObjectName(QStringLiteral("VT_main_Form"));
    if (services.prompter) {
        prompter_ = services.prompter;
    } else {
        own_prompter_ = std::make_unique<QtPrompter>(this);
        prompter_ = own_prompter_.get();
    }
    if (services.desktop) {
        desktop_ = services.desktop;
    } else {
        own_desktop_ = std::make_unique<QtDesktopServices>(this);
        desktop_ = own_desktop_.get();
    }
    line_commands_ = std::make_unique<LineCommands>(list_, *prompter_, editor_mode, editor_row);
    if (services.open_dialog) {
        OpenDialog1 = services.open_dialog;
    } else {
        own_open_dialog_ = std::make_unique<QtFileDialog>(this, QFileDialog::AcceptOpen,
                                                          QStringLiteral("OpenDialog1"));
        OpenDialog1 = own_open_dialog_.get();
    }
    if (services.save_dialog) {
        SaveDialog1 = services.save_dialog;
    } else {
        own_save_dialog_ = std::make_unique<QtFileDialog>(this, QFileDialog::AcceptSave,
                                                          QStringLiteral("SaveDialog1"));
        SaveDialog1 = own_save_dialog_.get();
    }
    setFont(design_font());
    setWindowIcon(program_icon());
    resize(761, 444);
    build_controls();
    menu.build(menuBar());
    file_commands_ = std::make_unique<FileCommands>(
        list_, *prompter_, *OpenDialog1, *SaveDialog1,
        FileCommandHooks{
            [this](const std::string& name) { return load_vtl(name); },
            [this](const std::string& name) { return save_vtl(name); },
            [this](const std::string& name) { settings_commands->add_history_file(name); },
            [this] { settings_commands->update_files_history(); },
            [this] {
                for (QAction* a : {menu.CreateDesktopShortcutcurrentfile1,
                                   menu.CreateStartMenuentryforthecurrentfile1, menu.N6})
                    a->setVisible(false);
            },
            [this] { close_entry_editor(); },
            [this] { return line_commands_->changes_to_save(); }});
    line_commands_->editor_target_changed = [this] {
        if (add_form_ && !add_form_->closed())
            add_form_->show_target();
    };
    connect_commands();
    schedule_commands = new ScheduleCommands(*this, services.commands);
    preview_commands = new PreviewCommands(*this);
    list_.add_listener(this);
    FormCreate(list_argument);
    add_form_ = new TVT_add_Form(*this); // hidden until a line command shows it
}

TVT_main_Form::~TVT_main_Form() {
    // These work on the list, which goes before the window's children.
    delete add_form_;
    delete journal_commands;
    list_.remove_listener(this);
}

void TVT_main_Form::build_controls() {
    model_ = std::make_unique<CopyListModel>(list_);
    build_main_controls(*this, model_.get());
    connect(FileList_StringGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!syncing_selection_ && current.isValid())
                    list_.set_current_row(current.row() + 1);
            });
    set_copy_options(CopyOptions{});
}

void TVT_main_Form::connect_commands() {
    // Only an edit of the user's changes the message: showing the list's message must
    // leave its bytes as they are, also where they are not text in the local encoding.
    connect(Edit3, &QLineEdit::textChanged, this, [this](QString text) {
        if (syncing_message_)
            return;
        // The message is one line of the list file: a line break pasted into it would
        // split it, or start an entry line of its own. It is shown as it is stored.
        if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
            const int caret = Edit3->cursorPosition();
            text.replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
            Edit3->setText(text); // comes back here
            Edit3->setCursorPosition(caret);
            return;
        }
        list_.set_message(text.toLocal8Bit().toStdString());
    });
    connect(CreateJournalFile, &QCheckBox::toggled, this, &TVT_main_Form::CreateJournalFileClick);
    connect(menu.Exit1, &QAction::triggered, this, &QWidget::close);
    connect(menu.About1, &QAction::triggered, this, &TVT_main_Form::About1Click);
    connect(menu.ShowtheIntroductionScreen1, &QAction::triggered, this,
            &TVT_main_Form::ShowtheIntroductionScreen1Click);
    connect(menu.ScreenShot1, &QAction::triggered, this, &TVT_main_Form::ScreenShot1Click);
    keep_key_of_hidden_item(menu.ScreenShot1, this);
    desktop_commands = new DesktopCommands(*this);
    settings_commands = new SettingsCommands(*this);
    connect_line_commands();
    connect(menu.EditinVTLformat1, &QAction::triggered, this,
            &TVT_main_Form::EditinVTLformat1Click);
    FileCommands* files = file_commands_.get();
    connect(menu.New1, &QAction::triggered, this, [files] { files->New1Click(); });
    connect(menu.Open1, &QAction::triggered, this, [files] { files->Open1Click(); });
    connect(menu.Save1, &QAction::triggered, this, [files] { files->Save1Click(); });
    connect(menu.SaveAs1, &QAction::triggered, this, [files] { files->SaveAs1Click(); });
    connect(menu.Print1, &QAction::triggered, this, &TVT_main_Form::Print1Click);
    auto* progress = new RunProgressPanel(FileList_StringGrid->parentWidget());
    CopyProgress = progress;
    copy_ = new CopyController(*this, *progress);
    connect(BitBtn_do_copy, &QToolButton::clicked, copy_, &CopyController::DoCopyNowClick);
    connect(menu.CopyNow1, &QAction::triggered, BitBtn_do_copy, &QToolButton::click);
    connect(menu.CheckBackup1, &QAction::triggered, copy_, &CopyController::CheckBackup1Click);
    journal_commands = new JournalCommands(*this, list_, *prompter_, *menu.ViewJournal1, *copy_);
    new TextKeysToText(this); // Del, Ins, Ctrl+C... in a text field edit its text
}

// The buttons run the line commands; a command that leaves a line to edit shows the
// entry editor. The Edit menu's items click the buttons: a button that is disabled
// takes no click from the menu either.
void TVT_main_Form::connect_line_commands() {
    LineCommands* lines = line_commands_.get();
    const auto then_edit = [this, lines](bool (LineCommands::*command)()) {
        return [this, lines, command] {
            if ((lines->*command)())
                create_add_form();
        };
    };
    connect(AddNewFiles, &QPushButton::clicked, this, then_edit(&LineCommands::add));
    connect(Button_insert, &QPushButton::clicked, this, then_edit(&LineCommands::insert));
    connect(Edit_entry, &QPushButton::clicked, this, then_edit(&LineCommands::edit));
    connect(DeletFilesfromList, &QPushButton::clicked, this, [lines] { lines->remove(); });
    connect(FileList_StringGrid, &QTableView::doubleClicked, this, then_edit(&LineCommands::edit));
    connect(menu.Add1, &QAction::triggered, AddNewFiles, &QPushButton::click);
    connect(menu.Insert1, &QAction::triggered, Button_insert, &QPushButton::click);
    connect(menu.Edit2, &QAction::triggered, Edit_entry, &QPushButton::click);
    connect(menu.Delete1, &QAction::triggered, DeletFilesfromList, &QPushButton::click);
}

// --- Start-up -------------------------------------------------------------

void TVT_main_Form::FormCreate(const QString& list_argument) {
    new TooltipEcho(StatusBar1);
    desktop_commands->check_help_file();
    desktop_commands->ensure_version_record();
    recent_files.clear();
    settings_commands->read_ini();
    if (!run_introduction()) {
        ended_at_start_ = true;
        return;
    }
    // The grid header is the table's own header; the list starts empty and untitled.
    list_.set_row_count(1);
    list_.set_untitled();
    setWindowTitle(QString::fromLocal8Bit(list_.caption()));
    load_initial_list(list_argument);
    settings_commands->update_files_history();
    editor_row = 0;
    fit_to_screen(screen() ? screen()->geometry().width() : 800);
    centre_on_screen();
    desktop_commands->check_file_type();
}

bool TVT_main_Form::run_introduction() {
    if (!introduction_at_start_)
        return true;
    IntroDecision rules(IntroFirst, IntroShow,
                        [this] { settings_commands->write_ini(kSettingsIntroduction); });
    return rules.at_start([this] { return show_introduction(*this); });
}

void TVT_main_Form::load_initial_list(const QString& list_argument) {
    std::string name;
    if (!list_argument.isEmpty())
        name = resolve_list_argument(list_argument.toLocal8Bit().toStdString());
    name = initial_list_name(name, startup_list);
    if (!name.empty()) {
        if (load_vtl(name)) {
            settings_commands->add_history_file(name);
            return;
        }
    }
    list_.set_list_folder(names::program_folder());
}

// --- Closing --------------------------------------------------------------

void TVT_main_Form::closeEvent(QCloseEvent* event) {
    // A run in progress is stopped first (its journal is finished); the close is
    // then asked again.
    if (copy_ && copy_->defer_close()) {
        event->ignore();
        return;
    }
    if (!file_commands_->FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TVT_main_Form::close_entry_editor() {
    if (add_form_ && !add_form_->closed() && add_form_->isVisible())
        add_form_->close();
}

void TVT_main_Form::FormClose() {
    // A settings file that cannot be written is reported, and the window closes all the
    // same: keeping it open would not make the file writable.
    settings_commands->write_ini(kSettingsHistoryFiles);
}

// --- Printing -------------------------------------------------------------

void TVT_main_Form::Print1Click() {
    const std::string error = print_on_default_printer(*FileList_StringGrid, list_);
    if (!error.empty())
        prompter_->show_error(error);
}

// --- Copy Now ---------------------------------------------------------------

QAbstractButton& TVT_main_Form::copy_button() {
    return *BitBtn_do_copy;
}

std::vector<QObject*> TVT_main_Form::commands_that_change_the_list() {
    std::vector<QObject*> commands = {
        menu.New1,   menu.Open1,    menu.CheckBackup1, menu.PreviewCopy1, menu.RestoreFiles1,
        menu.Add1,   menu.Insert1,  menu.Edit2,        menu.Delete1,      menu.EditinVTLformat1,
        AddNewFiles, Button_insert, Edit_entry,        DeletFilesfromList};
    for (QAction* a : menu.recent)
        commands.push_back(a);
    if (add_form_)
        commands.push_back(add_form_->BitBtn1);
    return commands;
}

// --- Copy options ---------------------------------------------------------

void TVT_main_Form::CreateJournalFileClick() {
    RadioGroup_append->setEnabled(CreateJournalFile->isChecked());
}

int TVT_main_Form::journal_option_index() const {
    if (RadioAppend->isChecked())
        return 0;
    if (RadioCreateNew->isChecked())
        return 1;
    return -1;
}

void TVT_main_Form::set_journal_option_index(int index) {
    // An index past the last item selects the last one; a negative one selects none.
    RadioAppend->setAutoExclusive(false);
    RadioCreateNew->setAutoExclusive(false);
    RadioAppend->setChecked(index == 0);
    RadioCreateNew->setChecked(index >= 1);
    RadioAppend->setAutoExclusive(true);
    RadioCreateNew->setAutoExclusive(true);
}

CopyOptions TVT_main_Form::copy_options() const {
    return {VerifyEachFile->isChecked(),
            CreateJournalFile->isChecked(),
            journal_option_index(),
            menu.CompareEachCopy1 && menu.CompareEachCopy1->isChecked(),
            menu.KeepReplacedVersions1 && menu.KeepReplacedVersions1->isChecked(),
            versions_days_,
            !menu.CopyHiddenFolders1 || menu.CopyHiddenFolders1->isChecked()};
}

void TVT_main_Form::set_copy_options(const CopyOptions& options) {
    VerifyEachFile->setChecked(options.verify_each_file);
    CreateJournalFile->setChecked(options.create_journal);
    set_journal_option_index(options.journal_append_index);
    if (menu.CompareEachCopy1) // the controls are set once before the menu is built
        menu.CompareEachCopy1->setChecked(options.compare_each_copy);
    if (menu.KeepReplacedVersions1) // the controls are set once before the menu is built
        menu.KeepReplacedVersions1->setChecked(options.keep_versions);
    if (menu.CopyHiddenFolders1)
        menu.CopyHiddenFolders1->setChecked(options.copy_hidden_folders);
    versions_days_ = options.versions_days;
    CreateJournalFileClick();
}

// --- List file ------------------------------------------------------------

bool TVT_main_Form::load_vtl(const std::string& file_name) {
    const IoResult r = vt::load_vtl(list_, file_name);
    if (!r)
        prompter_->show_error(r.error);
    return r.ok;
}

bool TVT_main_Form::save_vtl(const std::string& file_name) {
    const IoResult r = vt::save_vtl(list_, file_name);
    if (!r)
        prompter_->show_error(r.error);
    return r.ok;
}

// --- Following the document ----------------------------------------------

void TVT_main_Form::state_changed() {
    setWindowTitle(QString::fromLocal8Bit(list_.caption()));
}

void TVT_main_Form::message_changed() {
    const QString text = QString::fromLocal8Bit(list_.message());
    if (Edit3->text() != text) {
        syncing_message_ = true;
        Edit3->setText(text);
        syncing_message_ = false;
    }
}

void TVT_main_Form::current_row_changed() {
    const int row = list_.current_row();
    syncing_selection_ = true;
    if (row >= 1) {
        const QModelIndex index = model_->index(row - 1, 0);
        FileList_StringGrid->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        FileList_StringGrid->selectionModel()->clear();
    }
    syncing_selection_ = false;
}

void TVT_main_Form::lines_reset() {
    current_row_changed();
    if (list_.current_row() == 1)
        FileList_StringGrid->scrollToTop();
}

// --- The entry editor and the list text editor -----------------------------

TVT_add_Form* TVT_main_Form::add_form() const {
    return add_form_;
}

void TVT_main_Form::create_add_form() {
    if (!add_form_ || add_form_->closed())
        add_form_ = new TVT_add_Form(*this);
    else if (add_form_->isMinimized())
        add_form_->showNormal();
    add_form_->Set_entry_values();
    add_form_->show();
    add_form_->raise();
}

void TVT_main_Form::EditinVTLformat1Click() {
    // The text is to show the list as it is, not the line an Insert made room with.
    if (line_commands_->pending_insert_row() != 0)
        close_entry_editor();
    if (!vtl_form_)
        vtl_form_ = new TEdit_vtl_Form(*this);
    else if (vtl_form_->isMinimized())
        vtl_form_->showNormal();
    vtl_form_->set_lines(grid_to_vtl(list_));
    vtl_form_->exec();
}

// --- Auxiliary windows ------------------------------------------------------

void TVT_main_Form::About1Click() {
    TAboutBox box(desktop(), this);
    box.exec();
}

void TVT_main_Form::ShowtheIntroductionScreen1Click() {
    if (show_introduction(*this) == IntroAnswer::Accepted)
        return;
    // Rejected: the program ends without the closing steps, so the settings are not
    // written. A run in progress is stopped first, so that its journal is finished;
    // then unsaved changes are asked about, and Cancel keeps the program going.
    copy_->after_run([this] {
        if (!file_commands_->confirm_discard())
            return;
        hide();
        QCoreApplication::exit(0);
    });
}

void TVT_main_Form::ScreenShot1Click() {
    if (const IoResult r = save_window_snapshot(*this, kMainWindowSnapshot); !r)
        prompter().show_error(r.error);
}

} // namespace vt
