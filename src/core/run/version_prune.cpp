#include "core/run/version_prune.h"

#include "core/platform/error_text.h"
#include "core/restore/kept_versions.h"
#include "core/run/journal.h"

namespace vt {

int prune_old_versions(const std::vector<std::string>& destinations, int days, std::time_t now,
                       Journal& journal) {
    int failures = 0;
    for (const std::string& destination : destinations) {
        const kept_versions::Pruned pruned = kept_versions::prune(destination, days, now);
        const std::string folder = kept_versions::folder_of(destination);
        if (pruned.files > 0 || pruned.folders > 0)
            journal.versions_removed(folder, pruned.files, days);
        if (pruned.error) {
            journal.versions_unremovable(folder, system_error_text(pruned.error));
            ++failures;
        }
    }
    return failures;
}

} // namespace vt
