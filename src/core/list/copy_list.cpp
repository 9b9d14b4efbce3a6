#include "core/list/copy_list.h"

#include "core/platform/file_names.h"

#include <algorithm>

namespace vt {

const std::array<const char*, kColumnCount> CopyList::kHeaderTitles = {
    "Source Directory", "File Specification", "Destination Directory", "Replace Existing",
    "Sub Dir's"};

namespace {
const std::string kEmpty;
}

const std::string& CopyList::cell(int column, int row) const {
    if (column < 0 || column >= kColumnCount || row < 0 || row > line_count())
        return kEmpty;
    if (row == 0) {
        static const std::array<std::string, kColumnCount> titles = {
            kHeaderTitles[0], kHeaderTitles[1], kHeaderTitles[2], kHeaderTitles[3],
            kHeaderTitles[4]};
        return titles[static_cast<size_t>(column)];
    }
    return lines_[static_cast<size_t>(row - 1)][static_cast<size_t>(column)];
}

void CopyList::set_cell(int column, int row, std::string text) {
    if (column < 0 || column >= kColumnCount || row < 1 || row > line_count())
        return;
    lines_[static_cast<size_t>(row - 1)][static_cast<size_t>(column)] = std::move(text);
    notify([&](CopyListListener& l) { l.line_changed(row); });
}

void CopyList::set_line(int row, CopyLine line) {
    if (row < 1 || row > line_count())
        return;
    lines_[static_cast<size_t>(row - 1)] = std::move(line);
    notify([&](CopyListListener& l) { l.line_changed(row); });
}

void CopyList::set_row_count(int rows) {
    const int lines = std::max(rows, 1) - 1;
    const int old = line_count();
    if (lines == old)
        return;
    if (lines > old) {
        notify([&](CopyListListener& l) { l.lines_about_to_be_inserted(old + 1, lines - old); });
        lines_.resize(static_cast<size_t>(lines));
        notify([&](CopyListListener& l) { l.lines_inserted(old + 1, lines - old); });
        if (old == 0)
            set_current_row(1);
    } else {
        notify([&](CopyListListener& l) { l.lines_about_to_be_removed(lines + 1, old - lines); });
        lines_.resize(static_cast<size_t>(lines));
        notify([&](CopyListListener& l) { l.lines_removed(lines + 1, old - lines); });
        clamp_current_row();
    }
}

void CopyList::append_line(CopyLine line) {
    insert_line(row_count(), std::move(line));
}

void CopyList::insert_line(int row, CopyLine line) {
    row = std::clamp(row, 1, row_count());
    notify([&](CopyListListener& l) { l.lines_about_to_be_inserted(row, 1); });
    lines_.insert(lines_.begin() + (row - 1), std::move(line));
    notify([&](CopyListListener& l) { l.lines_inserted(row, 1); });
    if (current_row_ == 0)
        set_current_row(1);
}

void CopyList::remove_line(int row) {
    if (row < 1 || row > line_count())
        return;
    notify([&](CopyListListener& l) { l.lines_about_to_be_removed(row, 1); });
    lines_.erase(lines_.begin() + (row - 1));
    notify([&](CopyListListener& l) { l.lines_removed(row, 1); });
    clamp_current_row();
}

void CopyList::replace_lines(std::vector<CopyLine> lines) {
    const bool was_empty = lines_.empty();
    notify([](CopyListListener& l) { l.lines_about_to_reset(); });
    lines_ = std::move(lines);
    notify([](CopyListListener& l) { l.lines_reset(); });
    if (was_empty && !lines_.empty())
        set_current_row(1);
    else
        clamp_current_row();
}

void CopyList::set_current_row(int row) {
    row = std::clamp(row, lines_.empty() ? 0 : 1, line_count());
    if (row == current_row_)
        return;
    current_row_ = row;
    notify([](CopyListListener& l) { l.current_row_changed(); });
}

void CopyList::clamp_current_row() {
    if (lines_.empty())
        set_current_row(0);
    else if (current_row_ < 1 || current_row_ > line_count())
        set_current_row(std::clamp(current_row_, 1, line_count()));
}

void CopyList::set_message(std::string message) {
    if (message == message_)
        return;
    message_ = std::move(message);
    modified_ = true;
    notify([](CopyListListener& l) { l.message_changed(); });
    notify([](CopyListListener& l) { l.state_changed(); });
}

std::string CopyList::caption() const {
    return file_name_.empty() ? std::string("Vantorel: Untitled")
                              : "Vantorel: " + names::name_part(file_name_);
}

void CopyList::set_file_name(std::string name) {
    list_folder_ = names::folder_part(name);
    file_name_ = std::move(name);
    notify([](CopyListListener& l) { l.state_changed(); });
}

void CopyList::set_untitled() {
    file_name_.clear();
    notify([](CopyListListener& l) { l.state_changed(); });
}

void CopyList::set_list_folder(std::string folder) {
    list_folder_ = std::move(folder);
    notify([](CopyListListener& l) { l.state_changed(); });
}

void CopyList::set_modified(bool modified) {
    if (modified == modified_)
        return;
    modified_ = modified;
    notify([](CopyListListener& l) { l.state_changed(); });
}

void CopyList::mark_saved() {
    ++saves_;
    set_modified(false);
}

void CopyList::add_listener(CopyListListener* listener) {
    listeners_.push_back(listener);
}

void CopyList::remove_listener(CopyListListener* listener) {
    std::erase(listeners_, listener);
}

} // namespace vt
