#include "gui/editor/vt_entry.h"

#include "core/platform/desktop_services.h"
#include "core/platform/folder_tree.h"
#include "core/settings/settings_file.h"
#include "gui/editor/directory_list_box.h"
#include "gui/editor/drive_combo_box.h"
#include "gui/editor/file_list_box.h"
#include "gui/editor/folder_path_edit.h"
#include "gui/editor/last_folders.h"
#include "gui/screens/window_snapshot.h"
#include "gui/widgets/design_font.h"
#include "gui/widgets/design_place.h"
#include "gui/widgets/qt_prompter.h"
#include "gui/window/main_window_context.h"
#include "gui/window/main_window_state.h"
#include "gui/window/settings_commands.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <cerrno>

namespace vt {
namespace {

// The window's client area below its menu bar, as designed, with a row for the typed
// folders under the folder lists (the buttons come down by it).
constexpr int kPathRow = 26;
constexpr int kPathHeight = 22;
constexpr int kClientWidth = 418;
constexpr int kClientHeight = 408 + kPathRow;
constexpr int kListTop = 192;
constexpr int kSourceListHeight = 161;
constexpr int kButtonTop = 368 + kPathRow;
// "New Folder..." stands under the destination list, which is that much shorter.
constexpr int kNewFolderHeight = 20;
constexpr int kNewFolderRoom = kNewFolderHeight + 4;

// While alive, the program's message boxes stand in front of `window` (a box parented
// to the main window could open behind an always-on-top editor).
class BoxesInFrontOf {
public:
    BoxesInFrontOf(Prompter& prompter, QWidget* window, QWidget* home)
        : prompter_(dynamic_cast<QtPrompter*>(&prompter)), home_(home) {
        if (prompter_ && window->isVisible())
            prompter_->set_parent(window);
    }
    ~BoxesInFrontOf() {
        if (prompter_)
            prompter_->set_parent(home_);
    }
    BoxesInFrontOf(const BoxesInFrontOf&) = delete;
    BoxesInFrontOf& operator=(const BoxesInFrontOf&) = delete;

private:
    QtPrompter* prompter_;
    QWidget* home_;
};

} // namespace

// A window of its own rather than a tool window: a tool window shares the main window's
// activation, and with it the main window's keys (Del would delete a line of the list
// while the user types a file name here).
TVT_add_Form::TVT_add_Form(MainWindowContext& main)
    : QMainWindow(&main.widget(), Qt::Window | Qt::WindowStaysOnTopHint), main_(main) {
    setObjectName(QStringLiteral("VT_add_Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFont(design_font());
    build_controls();
    build_menu();
    connect_controls();
    FormCreate();
}

TVT_add_Form::~TVT_add_Form() = default;

void TVT_add_Form::build_controls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    Panel1 = place(new QFrame(client), "Panel1", 8, 4, 401, 109);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Label3 = place(new QLabel(QStringLiteral("Copy"), Panel1), "Label3", 16, 4);
    Label4 = place(new QLabel(QStringLiteral("From"), Panel1), "Label4", 16, 20);
    Label5 = place(new QLabel(QStringLiteral("To"), Panel1), "Label5", 16, 36);
    const int summary_width = Panel1->width() - 88 - 8;
    Label6 = place(new QLabel(Panel1), "Label6", 88, 4, summary_width, 16);
    Label_sourceDir = place(new QLabel(Panel1), "Label_sourceDir", 88, 20, summary_width, 16);
    Label_dest_dir = place(new QLabel(Panel1), "Label_dest_dir", 88, 36, summary_width, 16);
    for (QLabel* l : {Label6, Label_sourceDir, Label_dest_dir})
        l->setTextFormat(Qt::PlainText); // a name like "<b>" is shown as it is
    CheckBox_overwrite_old =
        place(new QCheckBox(QStringLiteral("Replace Existing Versions"), Panel1),
              "CheckBox_overwrite_old", 16, 60, 185, 17);
    CheckBox_overwrite_old->setToolTip(
        QStringLiteral("Select if existing versions of files are to be replaced by default if "
                       "their times match the source files"));
    CheckBox_overwrite_old->setChecked(true);
    Do_sub_dirs = place(new QCheckBox(QStringLiteral("Copy Subdirectories"), Panel1), "Do_sub_dirs",
                        16, 84, 169, 17);
    Do_sub_dirs->setToolTip(
        QStringLiteral("Select if subdirectories should be searched for matching files"));
    Do_sub_dirs->setChecked(true);

    Label_fileSpec =
        place(new QLabel(QStringLiteral("File Specification"), client), "Label_fileSpec", 16, 124);
    Edit1 = place(new QLineEdit(QStringLiteral("*.*"), client), "Edit1", 128, 120, 281, 24);
    Edit1->setToolTip(QStringLiteral("File specification for files including wildcards, Double "
                                     "click to list matching files in source directory"));
    Label1 = place(new QLabel(QStringLiteral("Source Directory"), client), "Label1", 8, 152);
    Label2 = place(new QLabel(QStringLiteral("Destination Directory"), client), "Label2", 216, 152);

    DriveComboBox1 = place(new DriveComboBox(client), "DriveComboBox1", 8, 168, 193, 22);
    DriveComboBox1->setToolTip(QStringLiteral("Source drive"));
    DriveComboBox2 = place(new DriveComboBox(client), "DriveComboBox2", 216, 168, 193, 22);
    DriveComboBox2->setToolTip(QStringLiteral("Destination drive"));
    DirectoryListBox1 = place(new DirectoryListBox(client), "DirectoryListBox1", 8, kListTop, 193,
                              kSourceListHeight);
    DirectoryListBox1->setToolTip(
        QStringLiteral("Source directory in which to search fo files to copy "));
    DirectoryListBox2 =
        place(new DirectoryListBox(client), "DirectoryListBox2", 216, kListTop, 193, 137);
    DirectoryListBox2->setToolTip(
        QStringLiteral("Destination directory into which files are to be copied"));
    Button_newFolder =
        place(new QPushButton(QStringLiteral("&New Folder..."), client), "Button_newFolder", 216,
              kListTop + kSourceListHeight - kNewFolderHeight, 110, kNewFolderHeight);
    Button_newFolder->setToolTip(
        QStringLiteral("Make a new folder inside the selected destination directory"));
    const int path_top = kListTop + kSourceListHeight + kPathRow - kPathHeight;
    Edit_sourceDir =
        place(new FolderPathEdit(client), "Edit_sourceDir", 8, path_top, 193, kPathHeight);
    Edit_sourceDir->setToolTip(QStringLiteral("Type or paste the source directory"));
    Edit_destDir =
        place(new FolderPathEdit(client), "Edit_destDir", 216, path_top, 193, kPathHeight);
    Edit_destDir->setToolTip(QStringLiteral("Type or paste the destination directory; one that "
                                            "does not exist yet is made by the copy"));

    FileListBox1 = place(new FileListBox(client), "FileListBox1", 128, 144, 281, 129);
    FileListBox1->hide();

    BitBtn1 =
        place(new QPushButton(QStringLiteral("Add"), client), "BitBtn1", 16, kButtonTop, 113, 33);
    BitBtn1->setToolTip(QStringLiteral("Save the current specification to the main list"));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    BitBtn3 = place(new QPushButton(QStringLiteral("&Help"), client), "BitBtn3", 152, kButtonTop,
                    113, 33);
    BitBtn3->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    BitBtn2 = place(new QPushButton(QStringLiteral("&Close"), client), "BitBtn2", 288, kButtonTop,
                    113, 33);
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    // Each typed folder comes after its list.
    QWidget::setTabOrder(DirectoryListBox1, Edit_sourceDir);
    QWidget::setTabOrder(Edit_sourceDir, DirectoryListBox2);
    QWidget::setTabOrder(DirectoryListBox2, Button_newFolder);
    QWidget::setTabOrder(Button_newFolder, Edit_destDir);
}

void TVT_add_Form::build_menu() {
    File1 = menuBar()->addMenu(QStringLiteral("Defaults"));
    File1->setObjectName(QStringLiteral("File1"));
    auto item = [this](const char* name, const char* caption) {
        QAction* a = File1->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    SavecurrentvaluesasStartupdefaults1 =
        item("SavecurrentvaluesasStartupdefaults1", "Save current values as Startup defaults");
    RestoreDefaults1 = item("RestoreDefaults1", "Restore Defaults");
    ClearCurrentDefaults1 = item("ClearCurrentDefaults1", "Clear Current Defaults");
    ScreenShot1 = item("ScreenShot1", "ScreenShot");
    ScreenShot1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    ScreenShot1->setVisible(false);
    // A hidden action's shortcut does not fire; the window carries the key itself.
    auto* screen_shot_key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(screen_shot_key, &QShortcut::activated, ScreenShot1, &QAction::trigger);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &TVT_add_Form::BitBtn2Click);
}

void TVT_add_Form::connect_controls() {
    connect(BitBtn1, &QPushButton::clicked, this, &TVT_add_Form::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TVT_add_Form::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TVT_add_Form::BitBtn3Click);
    connect(SavecurrentvaluesasStartupdefaults1, &QAction::triggered, this,
            &TVT_add_Form::SavecurrentvaluesasStartupdefaults1Click);
    connect(RestoreDefaults1, &QAction::triggered, this, &TVT_add_Form::RestoreDefaults1Click);
    connect(ClearCurrentDefaults1, &QAction::triggered, this,
            &TVT_add_Form::ClearCurrentDefaults1Click);
    connect(ScreenShot1, &QAction::triggered, this, &TVT_add_Form::ScreenShot1Click);

    connect(Edit1, &QLineEdit::textChanged, this, &TVT_add_Form::Edit1Change);
    Edit1->installEventFilter(this);
    FileListBox1->viewport()->installEventFilter(this);
    centralWidget()->installEventFilter(this);
    connect(FileListBox1, &FileListBox::fileSelected, Edit1, &QLineEdit::setText);
    connect(FileListBox1, &FileListBox::refilled, this, [this] {
        if (!FileListBox1->currentItem() && Edit1->text() != FileListBox1->mask())
            Edit1->setText(FileListBox1->mask());
    });
    connect(DriveComboBox1, &DriveComboBox::driveChanged, this,
            &TVT_add_Form::DriveComboBox1Change);
    connect(DriveComboBox2, &DriveComboBox::driveChanged, this,
            &TVT_add_Form::DriveComboBox2Change);
    connect(DirectoryListBox1, &DirectoryListBox::directoryChanged, this,
            &TVT_add_Form::DirectoryListBox1Change);
    connect(DirectoryListBox2, &DirectoryListBox::directoryChanged, this,
            &TVT_add_Form::DirectoryListBox2Change);
    connect(Edit_sourceDir, &FolderPathEdit::folderTyped, this, [this](const QString& folder) {
        choose_typed(DriveComboBox1, DirectoryListBox1, Edit_sourceDir, folder, false);
    });
    connect(Edit_destDir, &FolderPathEdit::folderTyped, this, [this](const QString& folder) {
        choose_typed(DriveComboBox2, DirectoryListBox2, Edit_destDir, folder, true);
    });
    connect(Button_newFolder, &QPushButton::clicked, this, &TVT_add_Form::Button_newFolderClick);
    for (DirectoryListBox* list : {DirectoryListBox1, DirectoryListBox2})
        connect(list, &DirectoryListBox::enterFailed, this, [this](const QString& message) {
            show_error(message.toLocal8Bit().toStdString());
        });
}

// --- Creation, layout and end of life ---------------------------------------

void TVT_add_Form::FormCreate() {
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    bottom_margin_ = kClientHeight - (kListTop + kSourceListHeight);
    button_gap_ = kButtonTop - (kListTop + kSourceListHeight);

    // A new window starts where the user last chose a folder, else at home: the
    // program's working folder means nothing to the user.
    const LastFolders& last = LastFolders::of(main_.widget());
    for (auto [drive, list, start] :
         {std::tuple{DriveComboBox1, DirectoryListBox1, last.source},
          std::tuple{DriveComboBox2, DirectoryListBox2, last.destination}}) {
        if ((!start.isEmpty() && list->set_directory(start).ok) ||
            list->set_directory(QDir::homePath()).ok || list->set_directory(QStringLiteral("/")).ok)
            drive->set_drive_for(list->directory());
    }
    if (QScreen* s = screen()) {
        const QRect available = s->availableGeometry();
        if (available.height() < height())
            resize(width(), available.height());
        move(available.center() - rect().center());
    }
}

void TVT_add_Form::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (QScreen* s = screen(); s && s->availableGeometry().height() < height())
        resize(width(), s->availableGeometry().height());
}

void TVT_add_Form::FormResize() {
    const int client_height = centralWidget()->height();
    const int list_top = DirectoryListBox1->y();
    const int h = std::max(client_height - list_top - bottom_margin_, 2 * BitBtn1->height());
    DirectoryListBox1->resize(DirectoryListBox1->width(), h);
    DirectoryListBox2->resize(DirectoryListBox2->width(), h - kNewFolderRoom);
    Button_newFolder->move(Button_newFolder->x(), list_top + h - kNewFolderHeight);
    for (FolderPathEdit* e : {Edit_sourceDir, Edit_destDir})
        e->move(e->x(), list_top + h + kPathRow - kPathHeight);
    for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3})
        b->move(b->x(), list_top + h + button_gap_);
    FileListBox1->resize(FileListBox1->width(), list_top + h - FileListBox1->y());
}

void TVT_add_Form::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TVT_add_Form::FormClose() {
    closed_ = true;
    main_.line_commands().editor_closed();
}

// --- Filling -----------------------------------------------------------------

void TVT_add_Form::Set_entry_values() {
    const EntryFill fill = main_.line_commands().fill(main_.state().entry_defaults);
    apply(fill);
    show_target();
    Label_dest_dir->setText(DirectoryListBox2->directory());
    Label_sourceDir->setText(DirectoryListBox1->directory());
    Label6->setText(Edit1->text());
}

void TVT_add_Form::show_target() {
    setWindowTitle(QString::fromLocal8Bit(main_.line_commands().editor_title()));
    BitBtn1->setText(QString::fromLatin1(confirm_caption(main_.state().editor_mode)));
}

void TVT_add_Form::apply(const EntryFill& fill) {
    if (fill.source) {
        select_folder(DriveComboBox1, DirectoryListBox1, *fill.source);
        source_ = {DirectoryListBox1->directory(), *fill.source};
    }
    if (fill.filter) {
        Edit1->setText(QString::fromLocal8Bit(*fill.filter));
        filter_ = {Edit1->text(), *fill.filter};
    }
    if (fill.destination) {
        select_folder(DriveComboBox2, DirectoryListBox2, *fill.destination);
        destination_ = {DirectoryListBox2->directory(), *fill.destination};
    }
    CheckBox_overwrite_old->setChecked(fill.replace_existing);
    Do_sub_dirs->setChecked(fill.sub_dirs);
}

void TVT_add_Form::select_folder(DriveComboBox* drive, DirectoryListBox* list,
                                 const std::string& folder) {
    const QString path = QString::fromLocal8Bit(folder);
    const IoResult r = list->set_directory(path);
    if (!r) {
        show_error(folder + ": " + r.error);
        // The folder is kept, so that changing another field of a line whose disk is
        // not plugged in does not replace the line's folder with an unrelated one.
        list->set_unavailable_directory(path);
    }
    drive->set_drive_for(list->directory());
}

void TVT_add_Form::choose_typed(DriveComboBox* drive, DirectoryListBox* list, FolderPathEdit* edit,
                                const QString& folder, bool may_be_new) {
    const IoResult r = list->set_directory(folder);
    if (!r && may_be_new && r.error_code == ENOENT)
        list->set_unavailable_directory(folder);
    else if (!r)
        show_error(folder.toLocal8Bit().toStdString() + ": " + r.error);
    drive->set_drive_for(list->directory());
    edit->show_folder(list->directory()); // as the list has it, "~" and ".." resolved
}

void TVT_add_Form::show_error(const std::string& message) {
    BoxesInFrontOf boxes(main_.prompter(), this, &main_.widget());
    main_.prompter().show_error(message);
}

std::string TVT_add_Form::bytes_of(const QString& now, const Filled& filled) {
    if (now == filled.shown && !filled.bytes.empty())
        return filled.bytes;
    return now.toLocal8Bit().toStdString();
}

EntryValues TVT_add_Form::values() const {
    return {bytes_of(DirectoryListBox1->directory(), source_), bytes_of(Edit1->text(), filter_),
            bytes_of(DirectoryListBox2->directory(), destination_),
            CheckBox_overwrite_old->isChecked(), Do_sub_dirs->isChecked()};
}

// --- Links between the controls ------------------------------------------------

void TVT_add_Form::Edit1Change() {
    const int caret = Edit1->cursorPosition();
    const QString text = Edit1->text();
    Label6->setText(text);
    if (text.contains(QLatin1Char('*')) && text != FileListBox1->mask())
        FileListBox1->set_mask(text);
    Edit1->deselect();
    Edit1->setCursorPosition(caret);
}

void TVT_add_Form::Edit1DblClick() {
    FileListBox1->setVisible(!FileListBox1->isVisible());
    if (FileListBox1->isVisible())
        FileListBox1->raise();
}

void TVT_add_Form::FileListBox1DblClick() {
    FileListBox1->hide();
}

void TVT_add_Form::DriveComboBox1Change(const QString& drive) {
    select_folder(DriveComboBox1, DirectoryListBox1, drive.toLocal8Bit().toStdString());
}

void TVT_add_Form::DriveComboBox2Change(const QString& drive) {
    select_folder(DriveComboBox2, DirectoryListBox2, drive.toLocal8Bit().toStdString());
}

void TVT_add_Form::DirectoryListBox1Change(const QString& folder) {
    show_short_folder(Label_sourceDir, folder);
    Edit_sourceDir->show_folder(folder);
    LastFolders::of(main_.widget()).source = folder;
    FileListBox1->set_directory(folder);
}

void TVT_add_Form::DirectoryListBox2Change(const QString& folder) {
    show_short_folder(Label_dest_dir, folder);
    Edit_destDir->show_folder(folder);
    LastFolders::of(main_.widget()).destination = folder;
}

void TVT_add_Form::show_short_folder(QLabel* label, const QString& folder) {
    const QFontMetrics metrics(label->font());
    const auto width = [&](const std::string& s) {
        return metrics.horizontalAdvance(QString::fromLocal8Bit(s));
    };
    label->setText(QString::fromLocal8Bit(
        folders::shorten(folder.toLocal8Bit().toStdString(), DirectoryListBox1->width(), width)));
}

bool TVT_add_Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1) {
        if (event->type() == QEvent::FocusOut)
            Edit1Change();
        else if (event->type() == QEvent::MouseButtonDblClick)
            Edit1DblClick();
        else if (event->type() == QEvent::FocusIn)
            // Entering the field keeps the caret where it is instead of selecting all.
            QMetaObject::invokeMethod(Edit1, &QLineEdit::deselect, Qt::QueuedConnection);
    } else if (watched == FileListBox1->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick)
            FileListBox1DblClick();
    } else if (watched == centralWidget() && event->type() == QEvent::Resize) {
        FormResize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TVT_add_Form::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the focused button, or else the confirm button.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            BitBtn1->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// --- Buttons and menu -----------------------------------------------------------

void TVT_add_Form::BitBtn1Click() {
    bool close_now = false;
    {
        BoxesInFrontOf boxes(main_.prompter(), this, &main_.widget());
        close_now = main_.line_commands().confirm(values());
    }
    if (close_now)
        close();
}

void TVT_add_Form::BitBtn2Click() {
    close();
}

void TVT_add_Form::BitBtn3Click() {
    if (main_.state().HelpAvailable)
        main_.desktop().show_help("Copy Specification");
}

void TVT_add_Form::SavecurrentvaluesasStartupdefaults1Click() {
    main_.state().entry_defaults = entry_defaults::from_values(values());
    main_.settings().write_ini(kSettingsDefaults);
}

void TVT_add_Form::RestoreDefaults1Click() {
    apply(entry_defaults::restore(main_.state().entry_defaults));
}

void TVT_add_Form::ClearCurrentDefaults1Click() {
    main_.state().entry_defaults = entry_defaults::cleared();
    main_.settings().write_ini(kSettingsDefaults);
}

void TVT_add_Form::Button_newFolderClick() {
    const QString parent = DirectoryListBox2->selected_folder();
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("NewFolderDialog"));
    ask.setWindowTitle(QStringLiteral("New Folder"));
    ask.setLabelText(QStringLiteral("Name of the new folder in ") + parent + QLatin1Char(':'));
    ask.setTextValue(QStringLiteral("New Folder"));
    if (ask.exec() != QDialog::Accepted)
        return;
    std::string made;
    const IoResult r = folders::make_subfolder(parent.toLocal8Bit().toStdString(),
                                               ask.textValue().toLocal8Bit().toStdString(), made);
    if (!r) {
        // A name that is no name says so itself; a refusal of the system names the folder.
        const QString where = parent + QLatin1Char('/') + ask.textValue().trimmed();
        show_error(r.error_code == EINVAL ? r.error
                                          : where.toLocal8Bit().toStdString() + ": " + r.error);
        return;
    }
    select_folder(DriveComboBox2, DirectoryListBox2, made);
}

void TVT_add_Form::ScreenShot1Click() {
    if (const IoResult r = save_window_snapshot(*this, kEditorSnapshot); !r)
        show_error(r.error);
}

} // namespace vt
