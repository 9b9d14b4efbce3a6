#include "core/run/journal.h"

#include "core/platform/desktop_services.h"
#include "core/platform/error_text.h"
#include "core/platform/file_attributes.h"
#include "core/platform/file_names.h"
#include "core/platform/new_file.h"
#include "core/platform/prompter.h"
#include "core/platform/sys.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

Journal::~Journal() {
    abandon();
}

std::string Journal::file_name_for(const std::string& list_file) {
    const std::string folder = names::folder_part(list_file);
    const std::string base = names::without_extension(names::name_part(list_file));
    std::string name = folder + base + ".txt";
    if (name == list_file)
        name = folder + base + ".journal.txt";
    return name;
}

std::string Journal::error_message(const char* action, const std::string& path,
                                   const std::string& error) {
    return std::string("Unable to ") + action + " the journal file \"" + path + "\": " + error;
}

// A journal name that is a symbolic link is never read or written through: the link
// may lead to any file (another person's, a list), which the run would append to or
// replace. It is asked about as a file that is no journal, with what the link holds as
// its start and No as the default; Yes makes the new journal take the link's own place.
bool Journal::check_signature(Prompter& prompter, bool& link) {
    const int fd = sys::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0 && errno == ELOOP) {
        link = true;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path_.c_str(), target.data(), target.size());
        target.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return ask_not_a_journal(prompter, target, Answer::No);
    }
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        prompter.show_error(error_message("read", path_, IoResult::from_errno(errno).error));
        return false;
    }
    const size_t wanted = std::strlen(kSignature);
    std::string first(wanted, '\0');
    size_t got = 0;
    while (got < wanted) {
        const ssize_t n = sys::read(fd, first.data() + got, wanted - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const IoResult r = IoResult::from_errno(errno);
            sys::close(fd);
            prompter.show_error(error_message("read", path_, r.error));
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    sys::close(fd);
    first.resize(got);
    first = first.substr(0, first.find_first_of("\r\n"));
    if (first == kSignature)
        return true;
    return ask_not_a_journal(prompter, first, Answer::Yes);
}

bool Journal::ask_not_a_journal(Prompter& prompter, const std::string& first,
                                Answer default_button) {
    Prompt question;
    question.title = "Error";
    question.text = "The existing file \"" + names::name_part(path_) + "\" starting with \"" +
                    first + "\"... does not appear to be a Vantorel journal file.  Continue copy?";
    question.buttons = Buttons::YesNo;
    question.default_button = default_button;
    question.icon = Icon::Stop;
    question.escape_answer = Answer::No;
    return prompter.ask(question) == Answer::Yes;
}

bool Journal::open(const std::string& list_file, bool append, Prompter& prompter,
                   const std::string& label) {
    abandon();
    label_ = label;
    if (list_file.empty()) {
        prompter.ask({"File is unnamed",
                      "Cannot create a Journal file for an unnamed list, Save and try again",
                      Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
        return false;
    }
    path_ = file_name_for(list_file);
    failure_ = IoResult::success();
    date_texts_.clear(); // the locale may have changed since the last run
    struct stat st {};
    const bool exists = ::lstat(path_.c_str(), &st) == 0;
    bool link = false;
    if (exists && !check_signature(prompter, link))
        return false;
    // A link is replaced by a new journal, never appended to through.
    if (!exists || !append || link)
        return create_new(prompter, exists && !link, exists && !link ? (st.st_mode & 07777) : 0644);
    fd_ = sys::open(path_.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_NOFOLLOW);
    if (fd_ < 0) {
        prompter.show_error(error_message("open", path_, IoResult::from_errno(errno).error));
        return false;
    }
    open_ = true;
    put({"", ""}, false);
    put({std::string(kSignature) + " started " + current_date_time_text() + label_ + started_note_,
         ""});
    if (failed()) {
        const std::string message = error_message("write", path_, failure_.error);
        abandon();
        prompter.show_error(message);
        return false;
    }
    return true;
}

// The new journal is written with its started entry before it takes the old one's
// place in one rename: a journal never shows a run that did not start, and the old
// one stays whole when the new one cannot be made. The rename replaces whatever has
// the journal's name, a link itself included, and never writes where a link leads.
bool Journal::create_new(Prompter& prompter, bool exists, unsigned mode) {
    const std::string& target = path_;
    const std::string folder = names::folder_part(target);
    NewFile file;
    if (const int e = file.create(AT_FDCWD, folder.empty() ? "." : folder, mode)) {
        prompter.show_error(error_message("create", path_, IoResult::from_errno(e).error));
        return false;
    }
    if (exists)
        ::fchmod(file.fd(), mode);
    fd_ = file.fd();
    open_ = true;
    put({std::string(kSignature) + " started " + current_date_time_text() + label_ + started_note_,
         ""});
    if (failed()) {
        const std::string message = error_message("write", path_, failure_.error);
        fd_ = -1; // the file's own
        abandon();
        prompter.show_error(message);
        return false;
    }
    if (const int e = file.name_as(target, true)) {
        fd_ = -1;
        abandon();
        prompter.show_error(error_message("create", path_, IoResult::from_errno(e).error));
        return false;
    }
    fd_ = file.release();
    return true;
}

void Journal::open_preview(std::function<void(const std::string&)> sink, const std::string& label) {
    abandon();
    label_ = label;
    sink_ = std::move(sink);
    failure_ = IoResult::success();
    open_ = true;
}

void Journal::write_entry(std::span<const std::string_view> lines, bool mirrored) {
    if (!open_ || failed())
        return;
    if (sink_) {
        for (const std::string_view line : lines)
            sink_(std::string(line));
        return;
    }
    entry_.clear();
    for (const std::string_view line : lines) {
        if (mirror_ && mirrored)
            mirror_(std::string(line));
        entry_ += line;
        entry_ += "\r\n";
    }
    if (!sys::write_all(fd_, entry_.data(), entry_.size()))
        failure_ = IoResult::from_errno(errno);
}

void Journal::line_start(int row, const std::string& spec, const std::string& source,
                         const std::string& destination) {
    put({"", "Starting Copy line " + std::to_string(row) + " " + spec + " in " + source + " to " +
                 destination});
    unkept_told_ = 0;
}

void Journal::search(const std::string& pattern) {
    put("Searching For " + pattern);
}

void Journal::folder_failure(const std::string& folder, const std::string& error) {
    put("Unable to create directory " + folder + " because " + error);
}

void Journal::folder_created(const std::string& folder) {
    put((preview() ? "would create directory " : "Directory created ") + folder);
}

void Journal::folder_unreadable(const std::string& folder, const std::string& error) {
    put("Unable to read directory " + folder + " because " + error);
}

void Journal::folder_unopenable(const std::string& folder, const std::string& error) {
    put("Unable to open directory " + folder + " because " + error);
}

void Journal::flush_failure(const std::string& folder, const std::string& error) {
    put("Unable to flush the copies in " + folder + " to the disk because " + error);
}

void Journal::error(const std::string& name, const std::string& error) {
    put("Copy of " + name + " generated a system error of " + error);
}

void Journal::passed_over(PassedOver what, const std::string& path) {
    switch (what) {
    case PassedOver::HiddenFolder:
        return put("Hidden folder passed over: " + path);
    case PassedOver::FolderLink:
        return put("Symbolic link to a folder passed over: " + path);
    case PassedOver::DanglingLink:
        return put("Dangling symbolic link passed over: " + path);
    case PassedOver::StaleTemporary:
        return put((preview() ? "would remove unfinished copy of an earlier run "
                              : "Unfinished copy of an earlier run removed: ") +
                   path);
    case PassedOver::LinkInBackup:
        return put("Symbolic link in the backup not restored: " + path);
    case PassedOver::TemporaryName:
        return put("File named like a temporary file of Vantorel passed over: " + path);
    }
}

void Journal::timestamp_error(const std::string& error) {
    put("Error setting new files timestamp " + error);
}

void Journal::attributes_not_kept(const std::string& name, const AttributeLoss& lost) {
    // A disk that refuses owners or attributes refuses them for every file: each kind
    // is said once a line, with the first file it happened to.
    static constexpr const char* kWords[AttributeLoss::Kinds] = {
        "the owner and group", "the permissions", "the extended attributes",
        "the access control lists", "the folder times"};
    for (unsigned kind = 0; kind < AttributeLoss::Kinds; ++kind) {
        const auto what = static_cast<AttributeLoss::What>(kind);
        if (!lost.has(what) || (unkept_told_ & (1u << kind)))
            continue;
        unkept_told_ |= 1u << kind;
        put("Unable to keep " + std::string(kWords[kind]) + " of " + name + " because " +
            system_error_text(lost.errors[kind]) +
            " (other copies of this line may lack them too)");
    }
}

const std::string& Journal::date_text(const FileTime& time) {
    constexpr std::size_t kBound = 8192;
    const std::int64_t packed = time.packed();
    if (const auto known = date_texts_.find(packed); known != date_texts_.end())
        return known->second;
    if (date_texts_.size() == kBound)
        date_texts_.clear();
    return date_texts_.emplace(packed, date_time_text(time)).first->second;
}

void Journal::file_entry(const char* prefix, const std::string& name, const FileTime& source,
                         const FileTime* replaced) {
    if (!open_ || failed())
        return;
    std::string line = prefix;
    line += name;
    line += ' ';
    line += date_text(source);
    if (replaced) {
        line += " to replace version created ";
        line += date_text(*replaced);
    }
    put(line);
}

void Journal::copied(const std::string& name, const FileTime& source, const FileTime* replaced) {
    file_entry(preview() ? "would copy: " : "Copied OK: ", name, source, replaced);
}

void Journal::not_copied(const std::string& name, const FileTime& source,
                         const FileTime* replaced) {
    file_entry(preview() ? "would not copy: " : "NOT Copied: ", name, source, replaced);
}

void Journal::folder_total(int count) {
    put({std::to_string(count) + (preview() ? " files would be copied for this specification"
                                            : " files copied for this specification"),
         ""});
}

void Journal::stopped_by_user() {
    if (!preview())
        put("Copy stopped by the user");
}

void Journal::versions_removed(const std::string& folder, int files, int days) {
    put("Removed " + std::to_string(files) + " kept versions older than " + std::to_string(days) +
        " days from " + folder);
}

void Journal::versions_unremovable(const std::string& folder, const std::string& error) {
    put("Unable to remove old versions in " + folder + " because " + error);
}

IoResult Journal::finish(int run_total) {
    if (!open_)
        return IoResult::success();
    const std::string total =
        std::to_string(run_total) +
        (preview() ? " Files would be copied in total" : " Files copied in total");
    if (preview())
        put({"", total});
    else
        put({"", total, "",
             std::string(kSignature) + " Ended " + current_date_time_text() + label_});
    return close_file();
}

IoResult Journal::finish_report(const std::vector<std::string>& totals) {
    if (!open_)
        return IoResult::success();
    // One entry, like a copy run's end: a report is never left with half its totals.
    const std::string ended =
        std::string(kSignature) + " Ended " + current_date_time_text() + label_;
    std::vector<std::string_view> lines{""};
    lines.insert(lines.end(), totals.begin(), totals.end());
    lines.push_back("");
    lines.push_back(ended);
    write_entry(lines, true);
    return close_file();
}

IoResult Journal::close_file() {
    if (fd_ >= 0 && !failed() && sys::fsync(fd_) != 0 && errno != EINVAL)
        failure_ = IoResult::from_errno(errno);
    if (fd_ >= 0) {
        if (sys::close(fd_) != 0 && !failed())
            failure_ = IoResult::from_errno(errno);
        fd_ = -1;
    }
    const IoResult result = failure_;
    abandon();
    return result;
}

void Journal::abandon() {
    if (fd_ >= 0)
        sys::close(fd_);
    fd_ = -1;
    sink_ = nullptr;
    open_ = false;
}

bool end_run_journal(Journal& journal, Prompter& prompter, DesktopServices* desktop, int run_total,
                     bool stopped) {
    const bool preview = journal.preview();
    if (stopped)
        journal.stopped_by_user();
    const IoResult written = journal.failed() ? journal.failure() : journal.finish(run_total);
    journal.abandon();
    if (!written) {
        prompter.show_error(Journal::error_message("write", journal.path(), written.error));
        return false;
    }
    if (!preview)
        offer_journal(prompter, desktop, journal.path(), run_total);
    return true;
}

void offer_journal(Prompter& prompter, DesktopServices* desktop, const std::string& path,
                   int run_total) {
    offer_journal(prompter, desktop, path, std::to_string(run_total) + " files copied");
}

void offer_journal(Prompter& prompter, DesktopServices* desktop, const std::string& path,
                   const std::string& title) {
    Prompt offer;
    offer.title = title;
    offer.text = kOfferJournalText;
    offer.buttons = Buttons::YesNo;
    offer.default_button = Answer::Yes;
    offer.escape_answer = Answer::No;
    if (prompter.ask(offer) == Answer::Yes && desktop)
        desktop->open_document(path);
}

} // namespace vt
