#include "gui/window/vt_main.h"

#include "core/list/file_commands.h"
#include "core/list/list_argument.h"
#include "core/list/list_file.h"
#include "core/platform/file_names.h"
#include "core/settings/intro_decision.h"
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
#include "gui/schedule/schedule_commands.h"
#include "gui/screens/vt_about.h"
#include "gui/screens/vt_intro.h"
#include "gui/screens/window_snapshot.h"
#include "gui/widgets/design_font.h"
#include "gui/widgets/program_icon.h"
#include "gui/widgets/qt_prompter.h"
#include "gui/window/hidden_item_key.h"
#include "gui/window/main_controls.h"
#include "gui/window/menu_keys_first.h"
#include "gui/window/settings_commands.h"
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
        FileCommandHooks{[this](const std::string& name) { return load_vtl(name); },
                         [this](const std::string& name) { return save_vtl(name); },
                         [this](const std::string& name) { add_history_file(name); },
                         [this] { update_files_history(); },
                         [this] {
                             for (QAction* a :
                                  {menu.CreateDesktopShortcutcurrentfile1,
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
    delete add_form_; // it works on the list, which goes before the window's children
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
    connect(menu.Exit1, &QAction::triggered, this, &TVT_main_Form::Exit1Click);
    connect(menu.About1, &QAction::triggered, this, &TVT_main_Form::About1Click);
    connect(menu.ShowtheIntroductionScreen1, &QAction::triggered, this,
            &TVT_main_Form::ShowtheIntroductionScreen1Click);
    connect(menu.ScreenShot1, &QAction::triggered, this, &TVT_main_Form::ScreenShot1Click);
    keep_key_of_hidden_item(menu.ScreenShot1, this);
    desktop_commands = new DesktopCommands(*this);
    settings_commands = new SettingsCommands(*this);
    connect(AddNewFiles, &QPushButton::clicked, this, &TVT_main_Form::AddNewFilesClick);
    connect(Button_insert, &QPushButton::clicked, this, &TVT_main_Form::Button_insertClick);
    connect(Edit_entry, &QPushButton::clicked, this, &TVT_main_Form::FileList_StringGridDblClick);
    connect(DeletFilesfromList, &QPushButton::clicked, this,
            &TVT_main_Form::DeletFilesfromListClick);
    connect(FileList_StringGrid, &QTableView::doubleClicked, this,
            &TVT_main_Form::FileList_StringGridDblClick);
    connect(menu.Add1, &QAction::triggered, this, &TVT_main_Form::Add1Click);
    connect(menu.Insert1, &QAction::triggered, this, &TVT_main_Form::Insert1Click);
    connect(menu.Edit2, &QAction::triggered, this, &TVT_main_Form::Edit2Click);
    connect(menu.Delete1, &QAction::triggered, this, &TVT_main_Form::Delete1Click);
    connect(menu.EditinVTLformat1, &QAction::triggered, this,
            &TVT_main_Form::EditinVTLformat1Click);
    connect(menu.New1, &QAction::triggered, this, &TVT_main_Form::New1Click);
    connect(menu.Open1, &QAction::triggered, this, &TVT_main_Form::Open1Click);
    connect(menu.Save1, &QAction::triggered, this, &TVT_main_Form::Save1Click);
    connect(menu.SaveAs1, &QAction::triggered, this, &TVT_main_Form::SaveAs1Click);
    connect(menu.Print1, &QAction::triggered, this, &TVT_main_Form::Print1Click);
    copy_ = new CopyController(*this);
    journal_commands = new JournalCommands(*this, list_, *prompter_, *menu.ViewJournal1, *copy_);
    connect(BitBtn_do_copy, &QToolButton::clicked, this, &TVT_main_Form::DoCopyNowClick);
    connect(menu.CopyNow1, &QAction::triggered, this, &TVT_main_Form::CopyNow1Click);
    connect(menu.CheckBackup1, &QAction::triggered, this, &TVT_main_Form::CheckBackup1Click);
    Edit3->installEventFilter(new MenuKeysFirst(
        {menu.CopyNow1, menu.Add1, menu.Insert1, menu.Edit2, menu.Delete1}, this));
}

// --- Start-up -------------------------------------------------------------

void TVT_main_Form::FormCreate(const QString& list_argument) {
    new TooltipEcho(StatusBar1);
    check_help_file();
    list_text_.clear();
    ensure_version_record();
    recent_files.clear();
    read_ini();
    if (!run_introduction()) {
        ended_at_start_ = true;
        return;
    }
    // The grid header is the table's own header; the list starts empty and untitled.
    list_.set_row_count(1);
    list_.set_untitled();
    setWindowTitle(QString::fromLocal8Bit(list_.caption()));
    load_initial_list(list_argument);
    update_files_history();
    editor_row = 0;
    fit_to_screen(screen() ? screen()->geometry().width() : 800);
    centre_on_screen();
    check_file_type();
}

void TVT_main_Form::load_initial_list(const QString& list_argument) {
    std::string name;
    if (!list_argument.isEmpty())
        name = resolve_list_argument(list_argument.toLocal8Bit().toStdString());
    name = initial_list_name(name, startup_list);
    if (!name.empty()) {
        if (load_vtl(name)) {
            add_history_file(name);
            return;
        }
    }
    list_.set_list_folder(names::program_folder());
}

void TVT_main_Form::fit_to_screen(int screen_width) {
    if (screen_width == 640) {
        Panel1->resize(470, Panel1->height());
        BitBtn_do_copy->resize(110, BitBtn_do_copy->height());
        BitBtn_do_copy->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        GroupBox1->setGeometry(128, GroupBox1->y(), 140, GroupBox1->height());
        RadioGroup_append->setGeometry(276, RadioGroup_append->y(), 185,
                                       RadioGroup_append->height());
        RadioAppend->resize(185 - 12, RadioAppend->height());
        RadioCreateNew->resize(185 - 12, RadioCreateNew->height());
        RadioAppend->setText(QStringLiteral("&Append to an existing file"));
        FileList_StringGrid->setColumnWidth(0, 10);
        FileList_StringGrid->setColumnWidth(2, 10);
        FormResize(); // shares the free width between columns 0 and 2
    } else {
        resize(770, height());
    }
    if (screen_width < width())
        resize(screen_width, height());
}

void TVT_main_Form::centre_on_screen() {
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        // The frame is not known before the window is shown; the client area stands
        // in for it.
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

// --- Resize rule ----------------------------------------------------------

void TVT_main_Form::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TVT_main_Form::FormResize() {
    QWidget* client = centralWidget();
    if (!client || !FileList_StringGrid)
        return;
    const int client_width = client->width();
    const int client_height = client->height() + StatusBar1->height();
    const int threshold = Panel1->x() + Panel1->width() + 3;
    const int grid_width = client_width < threshold ? threshold - 2 : client_width;
    FileList_StringGrid->resize(grid_width, FileList_StringGrid->height());

    auto total = [&] {
        int sum = 0;
        for (int c = 0; c < kColumnCount; ++c)
            sum += FileList_StringGrid->columnWidth(c) + kGridLineWidth;
        return sum;
    };
    auto grow = [&](int column, int by) {
        FileList_StringGrid->setColumnWidth(
            column, std::max(0, FileList_StringGrid->columnWidth(column) + by));
    };
    grow(0, (grid_width - total()) / 2);
    grow(2, grid_width - total() - 4);

    Edit3->resize(grid_width - Edit3->x(), Edit3->height());
    const int grid_top = FileList_StringGrid->y();
    const int below = CopyProgress && !CopyProgress->isHidden() ? CopyProgress->height() : 0;
    if (grid_top + 2 * kRowHeight + 3 * kGridLineWidth < client_height - below)
        FileList_StringGrid->resize(grid_width,
                                    client_height - grid_top - StatusBar1->height() - below);
    if (below > 0)
        CopyProgress->setGeometry(0, FileList_StringGrid->geometry().bottom() + 1, grid_width,
                                  below);
}

// --- Closing --------------------------------------------------------------

void TVT_main_Form::Exit1Click() {
    close();
}

void TVT_main_Form::closeEvent(QCloseEvent* event) {
    // A run in progress is stopped first (its journal is finished); the close is
    // then asked again.
    if (copy_ && copy_->defer_close()) {
        event->ignore();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TVT_main_Form::FormCloseQuery() {
    return file_commands_->FormCloseQuery();
}

bool TVT_main_Form::confirm_discard() {
    return file_commands_->confirm_discard();
}

void TVT_main_Form::close_entry_editor() {
    if (add_form_ && !add_form_->closed() && add_form_->isVisible())
        add_form_->close();
}

void TVT_main_Form::FormClose() {
    // A settings file that cannot be written is reported, and the window closes all the
    // same: keeping it open would not make the file writable.
    write_ini(kHistoryFilesGroup);
}

// --- File commands --------------------------------------------------------

void TVT_main_Form::New1Click() {
    file_commands_->New1Click();
}

void TVT_main_Form::Open1Click() {
    file_commands_->Open1Click();
}

void TVT_main_Form::Save1Click() {
    file_commands_->Save1Click();
}

void TVT_main_Form::SaveAs1Click() {
    file_commands_->SaveAs1Click();
}

void TVT_main_Form::Print1Click() {
    const std::string error = print_on_default_printer(*FileList_StringGrid, list_);
    if (!error.empty())
        prompter_->show_error(error);
}

// --- Copy Now ---------------------------------------------------------------

void TVT_main_Form::DoCopyNowClick() {
    copy_->DoCopyNowClick();
}

void TVT_main_Form::CheckBackup1Click() {
    copy_->CheckBackup1Click();
}

void TVT_main_Form::CopyNow1Click() {
    BitBtn_do_copy->click();
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
            versions_days};
}

void TVT_main_Form::set_copy_options(const CopyOptions& options) {
    VerifyEachFile->setChecked(options.verify_each_file);
    CreateJournalFile->setChecked(options.create_journal);
    set_journal_option_index(options.journal_append_index);
    if (menu.CompareEachCopy1) // the controls are set once before the menu is built
        menu.CompareEachCopy1->setChecked(options.compare_each_copy);
    if (menu.KeepReplacedVersions1) // the controls are set once before the menu is built
        menu.KeepReplacedVersions1->setChecked(options.keep_versions);
    versions_days = options.versions_days;
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

void TVT_main_Form::grid_to_vtl() {
    list_text_ = vt::grid_to_vtl(list_);
}

void TVT_main_Form::vtl_to_grid() {
    vt::vtl_to_grid(list_, list_text_);
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

// --- Settings, recent files and startup list --------------------------------

void TVT_main_Form::read_ini() {
    settings_commands->read_ini();
}

bool TVT_main_Form::write_ini(unsigned groups) {
    return settings_commands->write_ini(groups);
}

void TVT_main_Form::add_history_file(const std::string& name) {
    settings_commands->add_history_file(name);
}

void TVT_main_Form::update_files_history() {
    settings_commands->update_files_history();
}

// --- Line commands and the list text editor --------------------------------

void TVT_main_Form::AddNewFilesClick() {
    if (line_commands_->add())
        create_add_form();
}

void TVT_main_Form::Button_insertClick() {
    if (line_commands_->insert())
        create_add_form();
}

void TVT_main_Form::FileList_StringGridDblClick() {
    if (line_commands_->edit())
        create_add_form();
}

void TVT_main_Form::DeletFilesfromListClick() {
    line_commands_->remove();
}

void TVT_main_Form::Add1Click() {
    AddNewFiles->click();
}

void TVT_main_Form::Insert1Click() {
    Button_insert->click();
}

void TVT_main_Form::Edit2Click() {
    Edit_entry->click();
}

void TVT_main_Form::Delete1Click() {
    DeletFilesfromList->click();
}

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
    grid_to_vtl();
    vtl_form_->set_lines(list_text_);
    vtl_form_->exec();
}

// --- Steps that belong to other subsystems ---------------------------------

void TVT_main_Form::check_help_file() {
    desktop_commands->check_help_file();
}
void TVT_main_Form::ensure_version_record() {
    desktop_commands->ensure_version_record();
}
bool TVT_main_Form::run_introduction() {
    if (!introduction_at_start_)
        return true;
    IntroDecision rules(IntroFirst, IntroShow, [this] { write_ini(kIntroductionGroup); });
    return rules.at_start([this] { return show_introduction(*this); });
}
void TVT_main_Form::check_file_type() {
    desktop_commands->check_file_type();
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
        if (!confirm_discard())
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
