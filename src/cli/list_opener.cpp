#include "cli/list_opener.h"

#include "core/list/list_argument.h"
#include "core/list/list_file.h"

namespace vt {

ListOpener::ListOpener(const std::string& list_argument)
    : name_(resolve_list_argument(list_argument)) {}

bool ListOpener::open(bool lock) {
    if (lock) {
        lock_.emplace(name_);
        if (lock_->busy()) {
            failure_ = RunLock::busy_text(name_);
            return false;
        }
    }
    if (const IoResult loaded = load_vtl(list_, name_); !loaded) {
        failure_ = "cannot read the list " + name_ + ": " + loaded.error;
        return false;
    }
    return true;
}

std::optional<std::string> ListOpener::lock_error() const {
    if (!lock_ || lock_->held() || lock_->busy())
        return std::nullopt;
    return lock_->error();
}

void ListOpener::StopPump::pump() {
    if (interrupted() && stop)
        stop();
}

void apply_journal_option(const std::string& journal, CopyOptions& options) {
    if (journal == "none") {
        options.create_journal = false;
    } else if (journal == "append" || journal == "new") {
        options.create_journal = true;
        options.journal_append_index = journal == "append" ? 0 : 1;
    }
}

} // namespace vt
