#include "gui/run/journal_commands.h"

#include "core/platform/prompter.h"
#include "core/run/journal.h"
#include "gui/run/copy_controller.h"
#include "gui/run/journal_viewer.h"

#include <QAction>
#include <sys/stat.h>

namespace vt {

JournalCommands::JournalCommands(QWidget& owner, CopyList& list, Prompter& prompter, QAction& item,
                                 CopyController& runs)
    : QObject(&owner), owner_(owner), list_(list), prompter_(prompter), item_(item) {
    connect(&item_, &QAction::triggered, this, &JournalCommands::ViewJournal1Click);
    connect(&runs, &CopyController::run_ended, this, &JournalCommands::update_item);
    runs.set_journal_viewer([this](const std::string& path) { show_journal(path); });
    list_.add_listener(this);
    update_item();
}

JournalCommands::~JournalCommands() {
    list_.remove_listener(this);
}

JournalViewer* JournalCommands::viewer() const {
    return viewer_;
}

std::string JournalCommands::journal_path() const {
    return list_.file_name().empty() ? std::string() : Journal::file_name_for(list_.file_name());
}

void JournalCommands::update_item() {
    const std::string path = journal_path();
    struct stat st {};
    item_.setEnabled(!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode));
}

void JournalCommands::ViewJournal1Click() {
    update_item();
    if (item_.isEnabled())
        show_journal(journal_path());
}

void JournalCommands::show_journal(const std::string& path) {
    if (!viewer_)
        viewer_ = new JournalViewer(&owner_);
    if (const IoResult r = viewer_->show_journal(path); !r) {
        prompter_.show_error(Journal::error_message("read", path, r.error));
        update_item();
    }
}

} // namespace vt
