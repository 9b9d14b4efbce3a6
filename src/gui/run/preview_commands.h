#pragma once
#include <QObject>
#include <functional>

namespace vt {

class TPreview_Form;
class MainWindowContext;
class TRestore_Form;

// The main window's commands around a run: "Preview Copy" and "Restore Files..." in
// the File menu, "Days to Keep Versions..." in the Options menu ("Keep Replaced
// Versions" is a checkable copy option the window reads itself). Connects itself to
// the window's menu items.
class PreviewCommands : public QObject {
    Q_OBJECT
public:
    explicit PreviewCommands(MainWindowContext& window);

    // Shows what "Copy Now" would do; its "Copy Now" button starts the run.
    void PreviewCopy1Click();
    // Asks where to restore to and from which state of the backup, shows the preview
    // of that restore and, on "Restore Now", runs it.
    void RestoreFiles1Click();
    void DaysToKeepVersions1Click();

    // Called with each window before it is shown (tests act on it there).
    void on_preview(std::function<void(TPreview_Form&)> f) { on_preview_ = std::move(f); }
    void on_restore_dialog(std::function<void(TRestore_Form&)> f) { on_restore_ = std::move(f); }
    // Asks for the days to keep versions; false when cancelled. Tests answer it.
    void ask_days_with(std::function<bool(int&)> f) { ask_days_ = std::move(f); }

private:
    MainWindowContext& window_;
    std::function<void(TPreview_Form&)> on_preview_;
    std::function<void(TRestore_Form&)> on_restore_;
    std::function<bool(int&)> ask_days_;
};

} // namespace vt
