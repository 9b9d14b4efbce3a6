#include "gui/window/main_controls.h"

#include "gui/widgets/design_font.h"
#include "gui/widgets/design_place.h"
#include "gui/widgets/program_icon.h"
#include "gui/window/vt_main.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>

namespace vt {
namespace {

constexpr int kColumnWidths[kColumnCount] = {260, 109, 260, 52, 64};

void build_copy_grid(TVT_main_Form& form, QWidget* client, QAbstractItemModel* model) {
    form.FileList_StringGrid =
        place(new QTableView(client), "FileList_StringGrid", 0, 132, 749, 177);
    form.FileList_StringGrid->setModel(model); // columns exist only once the model is there
    form.FileList_StringGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    form.FileList_StringGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    form.FileList_StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    form.FileList_StringGrid->setShowGrid(false);
    form.FileList_StringGrid->setWordWrap(false);
    form.FileList_StringGrid->setTabKeyNavigation(false);
    form.FileList_StringGrid->verticalHeader()->hide();
    form.FileList_StringGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    form.FileList_StringGrid->verticalHeader()->setMinimumSectionSize(TVT_main_Form::kRowHeight);
    form.FileList_StringGrid->verticalHeader()->setDefaultSectionSize(TVT_main_Form::kRowHeight);
    QHeaderView* header = form.FileList_StringGrid->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(1);
    for (int c = 0; c < kColumnCount; ++c)
        form.FileList_StringGrid->setColumnWidth(c, kColumnWidths[c]);
    const QString hint = QStringLiteral(
        "A list of files with their source and destination directories that you wish to be copied");
    form.FileList_StringGrid->setToolTip(hint);
    form.FileList_StringGrid->viewport()->setToolTip(hint);
}

} // namespace

void build_main_controls(TVT_main_Form& form, QAbstractItemModel* model) {
    auto* client = new QWidget(&form);
    client->setObjectName(QStringLiteral("client"));
    form.setCentralWidget(client);

    auto button = [&](const char* name, const char* caption, const char* hint, int top) {
        auto* b =
            place(new QPushButton(QString::fromLatin1(caption), client), name, 8, top, 145, 25);
        b->setFont(design_font(13, true));
        b->setToolTip(QString::fromLatin1(hint));
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };
    form.AddNewFiles = button("AddNewFiles", "Add a New Line",
                              "Add a new line to the list of file specifications", 0);
    form.Button_insert =
        button("Button_insert", "Insert a Line",
               "Inserts a line in the copy specification at the currently selected line", 24);
    form.Edit_entry = button("Edit_entry", "Edit Selected Line",
                             "Change the information in the currently selected line", 48);
    form.DeletFilesfromList =
        button("DeletFilesfromList", "Delete Selected Line",
               "Deletes the currently selected line from the copy specification list", 72);

    form.Panel1 = place(new QFrame(client), "Panel1", 160, 0, 593, 97);
    form.Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    form.BitBtn_do_copy = place(new QToolButton(form.Panel1), "BitBtn_do_copy", 8, 16, 185, 73);
    form.BitBtn_do_copy->setText(QStringLiteral("Copy Now"));
    form.BitBtn_do_copy->setIcon(program_icon());
    form.BitBtn_do_copy->setIconSize(QSize(40, 40));
    form.BitBtn_do_copy->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    form.BitBtn_do_copy->setFont(design_font(16, true));
    form.BitBtn_do_copy->setToolTip(
        QStringLiteral("Copy the files that are specified in the list"));

    form.GroupBox1 = place(new QGroupBox(QStringLiteral("Copy Options"), form.Panel1), "GroupBox1",
                           200, 8, 153, 81);
    form.CreateJournalFile =
        place(new QCheckBox(QStringLiteral("Create Journal File"), form.GroupBox1),
              "CreateJournalFile", 8, 24, 129, 17);
    form.CreateJournalFile->setToolTip(QStringLiteral(
        "Create a journal file with extension .txt containing information about the copy process"));
    form.VerifyEachFile = place(new QCheckBox(QStringLiteral("Verify Each File"), form.GroupBox1),
                                "VerifyEachFile", 8, 52, 129, 17);
    form.VerifyEachFile->setToolTip(
        QStringLiteral("Require the user to verify the copy of each and "
                       "every file that fits the copy specification"));

    form.RadioGroup_append =
        place(new QGroupBox(QStringLiteral("Journal File Options"), form.Panel1),
              "RadioGroup_append", 360, 8, 225, 81);
    form.RadioGroup_append->setToolTip(
        QStringLiteral("The Journal file can be created for each copy or appended to any previous "
                       "Vantorel journal file for the same VTL file"));
    form.RadioAppend = place(new QRadioButton(QStringLiteral("&Append to an existing Journal file"),
                                              form.RadioGroup_append),
                             "RadioAppend", 8, 24, 213, 20);
    form.RadioCreateNew = place(
        new QRadioButton(QStringLiteral("&Create a new Journal file"), form.RadioGroup_append),
        "RadioCreateNew", 8, 50, 213, 20);
    for (QRadioButton* r : {form.RadioAppend, form.RadioCreateNew})
        r->setToolTip(form.RadioGroup_append->toolTip());

    form.Message = place(new QLabel(QStringLiteral("Message:"), client), "Message", 4, 112);
    form.Edit3 = place(new QLineEdit(client), "Edit3", 68, 108, 609, 24);
    form.Edit3->setToolTip(QStringLiteral(
        "A message like 'Close the accounts package and put the disk in the drive' that you want "
        "to appear when the user presses 'Copy Now' but before the copy begins"));

    build_copy_grid(form, client, model);

    form.StatusBar1 = new QStatusBar(&form);
    form.StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    form.StatusBar1->setFixedHeight(19);
    form.StatusBar1->setSizeGripEnabled(true);
    form.setStatusBar(form.StatusBar1);
}

} // namespace vt
