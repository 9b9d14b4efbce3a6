#pragma once
#include <QList>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace vt {

// The main window's menu bar: every item with its caption, separators and keys.
// Commands connect to the actions; the menu itself knows no command.
struct MainMenu {
    void build(QMenuBar* bar);

    QMenu* File = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* N2 = nullptr;
    QAction* CreateDesktopShortcutcurrentfile1 = nullptr;
    QAction* CreateStartMenuentryforthecurrentfile1 = nullptr;
    QAction* N6 = nullptr;
    QAction* CopyNow1 = nullptr;
    QAction* PreviewCopy1 = nullptr;
    QAction* RestoreFiles1 = nullptr;
    QAction* CheckBackup1 = nullptr;
    QAction* ViewJournal1 = nullptr;
    QAction* N5 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* N3 = nullptr;
    QList<QAction*> recent; // N11 ... N91, tags 1 to 9 in their data

    QMenu* Edit = nullptr;
    QAction* Add1 = nullptr;
    QAction* Insert1 = nullptr;
    QAction* Edit2 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* N4 = nullptr;
    QAction* EditinVTLformat1 = nullptr;

    QMenu* Options = nullptr;
    QAction* SaveCurrentSettings1 = nullptr;
    QAction* SaveCurrentListasAutoloadlist1 = nullptr;
    QAction* RemoveDefaultAutoLoadListFile1 = nullptr;
    QAction* N1 = nullptr;
    QAction* SetupRegistrytorecognizevtlfiles1 = nullptr;
    QAction* UninstallRegistrysettingstorecognizevtlFiles1 = nullptr;
    QAction* CreateDesktopIconforVantorel1 = nullptr;
    QAction* CreateStartMenuEntryforVantorel1 = nullptr;
    QAction* N7 = nullptr;
    QAction* ScheduleThisList1 = nullptr;
    QAction* N8 = nullptr;
    QAction* CompareEachCopy1 = nullptr;      // checkable: a copy option
    QAction* KeepReplacedVersions1 = nullptr; // checkable: a copy option
    QAction* DaysToKeepVersions1 = nullptr;

    QMenu* Help = nullptr;
    QAction* Help2 = nullptr;
    QAction* HelpContents1 = nullptr;
    QAction* About1 = nullptr;
    QAction* ShowtheIntroductionScreen1 = nullptr;
    QAction* EmailSupportaQuestion1 = nullptr;
    QAction* VisitLarchmeresoftwarewebsite1 = nullptr;
    QAction* ScreenShot1 = nullptr;
};

} // namespace vt
