#include "core/run/name_clash.h"

#include "core/platform/directory.h"
#include "core/platform/name_fold.h"
#include "core/run/walk_rules.h"

#include <algorithm>

namespace vt {
namespace {

enum class Written { No, File, Folder };

Written written_as(int dirfd, const std::string& name, unsigned char type, const ClashRule& rule) {
    if (rule.subfolders && (type == DT_DIR || type == DT_UNKNOWN) &&
        enters_folder(dirfd, name.c_str(), type, rule.destination, rule.hidden_folders))
        return Written::Folder;
    if (type == DT_DIR || !selects_entry(rule.mask, name))
        return Written::No;
    struct stat st {};
    return classify_entry(dirfd, name.c_str(), type, st) == EntryKind::File ? Written::File
                                                                            : Written::No;
}

} // namespace

std::vector<NameClash> name_clashes(int dirfd,
                                    std::vector<std::pair<std::string, unsigned char>> entries,
                                    const ClashRule& rule) {
    // Folded name first: names that fold to one lie together, in the order of their
    // own bytes.
    std::vector<std::pair<std::string, std::size_t>> folded;
    folded.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        folded.emplace_back(fold_name(entries[i].first), i);
    std::sort(folded.begin(), folded.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return entries[a.second].first < entries[b.second].first;
    });
    std::vector<NameClash> clashes;
    for (std::size_t at = 0; at < folded.size();) {
        std::size_t end = at + 1;
        while (end < folded.size() && folded[end].first == folded[at].first)
            ++end;
        // Most names fold to themselves alone; only the others are looked at.
        const std::string* winner = nullptr;
        for (std::size_t i = at; end - at > 1 && i < end; ++i) {
            const auto& [name, type] = entries[folded[i].second];
            const Written written = written_as(dirfd, name, type, rule);
            if (written == Written::No)
                continue;
            if (!winner)
                winner = &name;
            else
                clashes.push_back({name, *winner, written == Written::Folder});
        }
        at = end;
    }
    return clashes;
}

std::string clash_text(const std::string& folder, const NameClash& clash) {
    const std::string tail =
        "it has the same name as " + clash.winner + " on a disk that ignores case";
    if (clash.folder)
        return "Folder " + folder + "/" + clash.name + " not copied, nor anything in it: " + tail;
    return folder + "/" + clash.name + " not copied: " + tail;
}

} // namespace vt
