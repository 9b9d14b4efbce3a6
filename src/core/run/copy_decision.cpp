#include "core/run/copy_decision.h"

#include "core/run/run_count.h"

#include <fcntl.h>

namespace vt {
namespace {

// How long the scan's look at a destination is believed. A run that has nothing to
// copy gets there within milliseconds; a run slowed by large copies looks again.
constexpr std::chrono::seconds kScanLifetime{1};

bool same_identity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool is_same_backup(const struct stat& source, const struct stat& backup, const DiskTraits& disk) {
    return disk.same_time(source.st_mtim, backup.st_mtim) && source.st_size == backup.st_size;
}

bool CopyDecision::recent(AnsweredPrompter::Clock::time_point seen) const {
    return seen >= prompter_.last_answer() &&
           AnsweredPrompter::Clock::now() - seen <= kScanLifetime;
}

FileTime CopyDecision::local(std::time_t seconds) const {
    if (!last_local_ || last_local_->first != seconds)
        last_local_.emplace(seconds, file_time(seconds));
    return last_local_->second;
}

bool CopyDecision::unchanged(const FolderScan::Entry& entry, const struct stat& source,
                             const DiskTraits& disk, bool replace) const {
    if (!entry.destination_present || !recent(entry))
        return false;
    if (same_identity(source, entry.destination))
        return true;
    const timespec& d = entry.destination.st_mtim;
    return !disk.later(d, source.st_mtim) &&
           !copies_unasked(source.st_mtim, d, disk, replace,
                           source.st_size == entry.destination.st_size);
}

bool CopyDecision::ask(std::string text, Decision& out, Answer& answer) {
    const Prompt box{"Copy this file?", std::move(text), Buttons::YesNoCancel,
                     Answer::Yes,       Icon::None,      Answer::Cancel};
    if (!prompter_.answers_unseen(box)) {
        if (before_question_ && !before_question_())
            return false;
        out.asked = true;
    }
    answer = prompter_.ask(box);
    return answer != Answer::Cancel;
}

bool CopyDecision::decide(const FolderScan::Entry& entry, const struct stat& source,
                          const std::string& source_folder, const std::string& destination_folder,
                          int destination_fd, const DiskTraits& disk, bool replace, bool verify,
                          Decision& out) {
    const std::string& name = entry.name;
    const FileTime s = local(source.st_mtime);
    out = {};
    out.source = s;
    out.source_time = source.st_mtim;
    // The scan's look at the destination settles only the case with nothing to do
    // and nothing to ask; a copy or a question is decided on a fresh look.
    if (unchanged(entry, source, disk, replace)) {
        out.replaced = local(entry.destination.st_mtime);
        out.replaced_time = entry.destination.st_mtim;
        out.same_size = source.st_size == entry.destination.st_size;
        return true;
    }
    struct stat destination {};
    FileTime d;
    auto look = [&] {
        out.present =
            destination_fd >= 0 &&
            ::fstatat(destination_fd, name.c_str(), &destination, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(destination.st_mode);
        out.replaced.reset();
        out.replaced_time.reset();
        out.same_size = true;
        if (out.present) {
            d = local(destination.st_mtime);
            out.replaced = d;
            out.replaced_time = destination.st_mtim;
            out.same_size = source.st_size == destination.st_size;
        }
        // The destination is the source itself: it is its own copy already.
        return out.present && same_identity(source, destination);
    };
    // The scan found no file of the name a moment ago: a copy without a question. One
    // that appears meanwhile is found when the copy takes its name.
    if (entry.destination_seen && !entry.destination_present && !verify && recent(entry)) {
        out.copy = true;
        return true;
    }
    if (look()) {
        out.copy = false;
        return true;
    }
    out.copy = !out.present || replace ||
               copies_unasked(source.st_mtim, out.replaced_time, disk, replace, out.same_size);

    if (out.copy && verify) {
        Answer a;
        if (!ask("Confirm copy of \r\n" + name + "\r\n from \r\n" + source_folder + "\r\n to \r\n" +
                     destination_folder,
                 out, a))
            return false;
        out.copy = a == Answer::Yes;
        // A backup edited while the question was open still gets the newer question.
        if (out.asked && look()) {
            out.copy = false;
            return true;
        }
    }
    if (out.present && disk.later(*out.replaced_time, source.st_mtim)) {
        Answer a;
        if (!ask("The version of: \r\n\r\n" + name + "\r\n\r\nIn the Destination folder: \r\n" +
                     destination_folder + "\r\nDated:  " + date_time_text(d) +
                     "\r\n\r\nIs newer than the version in the Source folder:\r\n" + source_folder +
                     "\r\nDated:  " + date_time_text(s) + "\r\n\r\nDo you still want to copy?",
                 out, a))
            return false;
        out.copy = a == Answer::Yes;
    }
    return true;
}

} // namespace vt
