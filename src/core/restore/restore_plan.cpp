#include "core/restore/restore_plan.h"

#include "core/platform/file_names.h"
#include "core/restore/kept_versions.h"

#include <algorithm>
#include <map>

namespace vt {
namespace {

std::string without_trailing_slashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts)
        out += (out.empty() ? "" : ", ") + t;
    return out;
}

} // namespace

std::string restore_folder_for(const std::string& to_folder, int row, const std::string& source) {
    const std::string last = names::name_part(without_trailing_slashes(source));
    std::string leaf = std::to_string(row);
    if (!last.empty() && last != "/" && last != "." && last != "..")
        leaf += "-" + last;
    return without_trailing_slashes(to_folder) + "/" + leaf;
}

RestorePlan plan_restore(const CopyList& list, const RestoreRequest& request) {
    RestorePlan plan;
    plan.list.set_message(list.message());
    if (!list.file_name().empty())
        plan.list.set_file_name(list.file_name());
    std::vector<CopyLine> lines;
    bool any_version = false;
    for (int row = 1; row < list.row_count(); ++row) {
        const std::string& source = list.cell(kSourceColumn, row);
        const std::string& destination = list.cell(kDestinationColumn, row);
        std::string from = destination;
        if (!request.version.empty()) {
            const std::vector<std::string> found =
                kept_versions::matching(kept_versions::stamps(destination), request.version);
            if (found.empty()) {
                plan.notes.push_back("line " + std::to_string(row) + " keeps no versions of " +
                                     request.version + " in " + destination);
                continue;
            }
            if (found.size() > 1) {
                plan.error = request.version + " names several kept versions of line " +
                             std::to_string(row) + ": " + joined(found) + "; give one of them";
                return plan;
            }
            from = kept_versions::run_folder(destination, found.front());
            any_version = true;
        }
        CopyLine line;
        line[kSourceColumn] = from;
        line[kSpecColumn] = list.cell(kSpecColumn, row);
        line[kDestinationColumn] =
            request.to_folder.empty() ? source : restore_folder_for(request.to_folder, row, source);
        line[kReplaceColumn] = flag_text(false);
        line[kSubDirsColumn] = list.cell(kSubDirsColumn, row);
        lines.push_back(std::move(line));
        plan.rows.push_back(row);
    }
    if (!request.version.empty() && !any_version) {
        plan.error = "no line keeps versions of " + request.version;
        return plan;
    }
    plan.list.replace_lines(std::move(lines));
    plan.list.set_modified(false);
    plan.started_note = " - Restore";
    if (!request.version.empty())
        plan.started_note += " of the versions of " + request.version;
    if (!request.to_folder.empty())
        plan.started_note += " into " + request.to_folder;
    return plan;
}

std::vector<VersionChoice> restore_versions(const CopyList& list) {
    std::map<std::string, std::vector<int>> found;
    for (int row = 1; row < list.row_count(); ++row)
        for (const std::string& stamp : kept_versions::stamps(list.cell(kDestinationColumn, row)))
            found[stamp].push_back(row);
    std::vector<VersionChoice> out;
    for (auto& [stamp, rows] : found)
        out.push_back({stamp, std::move(rows)});
    return out;
}

} // namespace vt
