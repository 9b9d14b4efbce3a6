#include "engine/folder_maker.h"

#include "engine/journal.h"
#include "platform/directory.h"
#include "platform/folder_create.h"
#include "platform/prompter.h"

namespace vt {
namespace {

constexpr const char* kTitle = "Bad Directory Create";

std::string without_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// A folder that shows nothing (an empty mount point, the folder of an unplugged
// disk) is no place for a backup.
bool has_visible_entry(const std::string& folder) {
    Directory dir(folder);
    std::string_view name;
    unsigned char type = 0;
    while (dir.next(name, type)) {
        if (name.front() != '.')
            return true;
    }
    return false;
}

} // namespace

std::string FolderMaker::nearest_existing_folder(const std::string& path) {
    std::string current = without_trailing_slashes(path);
    while (!current.empty() && !is_folder(current)) {
        const auto slash = current.rfind('/');
        if (slash == std::string::npos)
            return ".";
        current = without_trailing_slashes(current.substr(0, slash == 0 ? 1 : slash));
        if (current == "/")
            break;
    }
    return current.empty() ? "." : current;
}

std::string FolderMaker::failure_text(const std::string& folder, const std::string& error) const {
    return "Your system is unable to create the requested Folder\r\n" + folder +
           "\r\nwith the following message: \r\n" + error;
}

bool FolderMaker::prepare(const std::string& destination, const std::string& template_folder,
                          const std::string& sub_path) {
    if (!is_folder(destination)) {
        const std::string drive = nearest_existing_folder(destination);
        if (!has_visible_entry(drive)) {
            Prompt box;
            box.title = kTitle;
            box.text =
                (drive == "/" ? std::string() : drive) + "/ is not a valid drive on your system!";
            box.buttons = Buttons::OkCancel;
            box.default_button = Answer::Cancel;
            box.icon = Icon::Stop;
            box.escape_answer = Answer::Cancel;
            return prompter_.ask(box) == Answer::Ok;
        }
    }
    // Every missing level above the folder itself; the run creates the folder.
    const std::string target = without_trailing_slashes(destination + sub_path);
    for (std::size_t slash = target.find('/', 1); slash != std::string::npos;
         slash = target.find('/', slash + 1)) {
        const std::string level = target.substr(0, slash);
        if (level.back() == '/' || is_folder(level))
            continue;
        const IoResult made = create_folder_from_template(template_folder, level);
        if (made)
            continue;
        prompter_.ask({kTitle, failure_text(level, made.error), Buttons::Ok, Answer::Ok, Icon::None,
                       Answer::Ok});
        journal_.folder_failure(destination + sub_path, made.error);
        ++failures_;
    }
    return true;
}

FolderOutcome FolderMaker::create(const std::string& template_folder,
                                  const std::string& new_folder) {
    const IoResult made = create_folder_from_template(template_folder, new_folder);
    if (made) {
        journal_.folder_created(new_folder);
        return FolderOutcome::Created;
    }
    const Answer answer =
        prompter_.ask({kTitle, failure_text(new_folder, made.error), Buttons::OkCancel, Answer::Ok,
                       Icon::None, Answer::Cancel});
    if (answer != Answer::Ok)
        return FolderOutcome::EndRun;
    journal_.folder_failure(new_folder, made.error);
    ++failures_;
    return FolderOutcome::Failed;
}

} // namespace vt
