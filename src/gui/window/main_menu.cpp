#include "gui/window/main_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace vt {
namespace {

QAction* item(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty())
        a->setShortcut(key);
    return a;
}

QAction* separator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

void MainMenu::build(QMenuBar* bar) {
    File = bar->addMenu(QStringLiteral("&File"));
    New1 = item(File, "New1", QStringLiteral("&New"));
    Open1 = item(File, "Open1", QStringLiteral("&Open"));
    Save1 = item(File, "Save1", QStringLiteral("&Save"));
    SaveAs1 = item(File, "SaveAs1", QStringLiteral("Save &As"));
    Print1 = item(File, "Print1", QStringLiteral("&Print"));
    N2 = separator(File, "N2");
    CreateDesktopShortcutcurrentfile1 =
        item(File, "CreateDesktopShortcutcurrentfile1",
             QStringLiteral("Create &Desktop Shortcut current file "));
    CreateStartMenuentryforthecurrentfile1 =
        item(File, "CreateStartMenuentryforthecurrentfile1",
             QStringLiteral("Create Start &Menu entry for the current file "));
    N6 = separator(File, "N6");
    for (QAction* a : {CreateDesktopShortcutcurrentfile1, CreateStartMenuentryforthecurrentfile1}) {
        a->setVisible(false);
        a->setEnabled(false);
    }
    N6->setVisible(false);
    CopyNow1 =
        item(File, "CopyNow1", QStringLiteral("&Copy Now"), QKeySequence(Qt::CTRL | Qt::Key_C));
    PreviewCopy1 = item(File, "PreviewCopy1", QStringLiteral("Pre&view Copy"));
    RestoreFiles1 = item(File, "RestoreFiles1", QStringLiteral("&Restore Files..."));
    CheckBackup1 = item(File, "CheckBackup1", QStringLiteral("Chec&k Backup"));
    ViewJournal1 = item(File, "ViewJournal1", QStringLiteral("View &Journal"));
    N5 = separator(File, "N5");
    Exit1 = item(File, "Exit1", QStringLiteral("E&xit"));
    N3 = separator(File, "N3");
    for (int tag = 1; tag <= 9; ++tag) {
        QAction* a = File->addAction(QString::number(tag));
        a->setObjectName(QStringLiteral("N%11").arg(tag));
        a->setData(tag);
        recent.append(a);
    }

    Edit = bar->addMenu(QStringLiteral("&Edit"));
    Add1 = item(Edit, "Add1", QStringLiteral("&Add"), QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    Insert1 = item(Edit, "Insert1", QStringLiteral("&Insert"), QKeySequence(Qt::Key_Insert));
    Edit2 = item(Edit, "Edit2", QStringLiteral("&Edit"), QKeySequence(Qt::Key_F2));
    Delete1 = item(Edit, "Delete1", QStringLiteral("&Delete"), QKeySequence(Qt::Key_Delete));
    N4 = separator(Edit, "N4");
    EditinVTLformat1 = item(Edit, "EditinVTLformat1", QStringLiteral("Edit in &VTL format"));

    Options = bar->addMenu(QStringLiteral("&Options"));
    SaveCurrentSettings1 = item(Options, "SaveCurrentSettings1",
                                QStringLiteral("&Save Current Copy Settings as Strartup Defaults"));
    SaveCurrentListasAutoloadlist1 =
        item(Options, "SaveCurrentListasAutoloadlist1",
             QStringLiteral("Set Current file as the &Default Startup List file"));
    RemoveDefaultAutoLoadListFile1 = item(Options, "RemoveDefaultAutoLoadListFile1",
                                          QStringLiteral("&Remove Default Startup List File"));
    N1 = separator(Options, "N1");
    SetupRegistrytorecognizevtlfiles1 =
        item(Options, "SetupRegistrytorecognizevtlfiles1",
             QStringLiteral("&Install Registry settings to recognize .vtl Files"));
    UninstallRegistrysettingstorecognizevtlFiles1 =
        item(Options, "UninstallRegistrysettingstorecognizevtlFiles1",
             QStringLiteral("&Uninstall Registry settings to recognize .vtl Files"));
    CreateDesktopIconforVantorel1 = item(Options, "CreateDesktopIconforVantorel1",
                                         QStringLiteral("Create Desktop &Icon for Vantorel"));
    CreateStartMenuEntryforVantorel1 =
        item(Options, "CreateStartMenuEntryforVantorel1",
             QStringLiteral("Create Start &Menu Entry for Vantorel"));
    N7 = separator(Options, "N7");
    ScheduleThisList1 =
        item(Options, "ScheduleThisList1", QStringLiteral("Schedule &This List..."));
    // The copy options that came after the first edition, in a group of their own.
    N8 = separator(Options, "N8");
    CompareEachCopy1 = item(Options, "CompareEachCopy1", QStringLiteral("Compare &Each Copy"));
    CompareEachCopy1->setCheckable(true);
    KeepReplacedVersions1 =
        item(Options, "KeepReplacedVersions1", QStringLiteral("&Keep Replaced Versions"));
    KeepReplacedVersions1->setCheckable(true);
    DaysToKeepVersions1 =
        item(Options, "DaysToKeepVersions1", QStringLiteral("Days to Keep &Versions..."));

    Help = bar->addMenu(QStringLiteral("&Help"));
    Help2 = item(Help, "Help2", QStringLiteral("&Help"), QKeySequence(Qt::Key_F1));
    HelpContents1 = item(Help, "HelpContents1", QStringLiteral("Help &Contents"));
    About1 = item(Help, "About1", QStringLiteral("&About"));
    ShowtheIntroductionScreen1 =
        item(Help, "ShowtheIntroductionScreen1", QStringLiteral("Show the &Introduction Screen"));
    EmailSupportaQuestion1 =
        item(Help, "EmailSupportaQuestion1", QStringLiteral("&Email a Support Question"));
    VisitLarchmeresoftwarewebsite1 = item(Help, "VisitLarchmeresoftwarewebsite1",
                                          QStringLiteral("Visit Larchmere Utilities &Web site"));
    ScreenShot1 = item(Help, "ScreenShot1", QStringLiteral("&ScreenShot"),
                       QKeySequence(Qt::CTRL | Qt::Key_S));
    ScreenShot1->setVisible(false);
}

} // namespace vt
