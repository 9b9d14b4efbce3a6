#pragma once
#include <array>
#include <string>
#include <vector>

namespace vt {

enum Column { kSourceColumn = 0, kSpecColumn, kDestinationColumn, kReplaceColumn, kSubDirsColumn };
inline constexpr int kColumnCount = 5;

// One copy specification line: source folder, file specification, destination
// folder, replace-existing flag, subfolders flag.
using CopyLine = std::array<std::string, kColumnCount>;

// A flag cell counts as set only for the exact text "Yes".
inline bool flag_set(const std::string& cell) {
    return cell == "Yes";
}
inline const char* flag_text(bool set) {
    return set ? "Yes" : "No";
}

// Told about every change of a CopyList; the grid adapter and the window follow it.
class CopyListListener {
public:
    virtual ~CopyListListener() = default;
    // Called before the lines change, so a view can prepare (Qt's begin/end pairs).
    virtual void lines_about_to_reset() {}
    virtual void lines_about_to_be_inserted(int /*first_row*/, int /*count*/) {}
    virtual void lines_about_to_be_removed(int /*first_row*/, int /*count*/) {}
    // Called after the lines changed.
    virtual void lines_reset() {}
    virtual void lines_inserted(int /*first_row*/, int /*count*/) {}
    virtual void lines_removed(int /*first_row*/, int /*count*/) {}
    virtual void line_changed(int /*row*/) {}
    virtual void message_changed() {}
    virtual void state_changed() {} // file name, list folder, modified flag
    virtual void current_row_changed() {}
};

// The copy list document: its lines, its message and its state. It is the grid's
// only store. Rows are numbered as in the grid: row 0 is the header, rows 1 to n
// hold the n lines.
class CopyList {
public:
    static const std::array<const char*, kColumnCount> kHeaderTitles;

    int row_count() const { return static_cast<int>(lines_.size()) + 1; }
    int line_count() const { return static_cast<int>(lines_.size()); }
    bool empty() const { return lines_.empty(); }

    // Row 0 gives the header titles; rows outside the grid give the empty text.
    const std::string& cell(int column, int row) const;
    void set_cell(int column, int row, std::string text);
    const CopyLine& line(int row) const { return lines_.at(static_cast<size_t>(row - 1)); }
    void set_line(int row, CopyLine line);
    const std::vector<CopyLine>& lines() const { return lines_; }

    // Growing adds empty rows at the end; shrinking drops the last rows.
    void set_row_count(int rows);
    void append_line(CopyLine line);
    void insert_line(int row, CopyLine line);
    void remove_line(int row);
    void replace_lines(std::vector<CopyLine> lines);

    // The selected row; 0 while the list is empty.
    int current_row() const { return current_row_; }
    void set_current_row(int row);

    const std::string& message() const { return message_; }
    // A change of the message sets the modified flag.
    void set_message(std::string message);

    const std::string& file_name() const { return file_name_; }
    const std::string& list_folder() const { return list_folder_; }
    bool modified() const { return modified_; }
    // "Vantorel: " + name part of the file name, or "Vantorel: Untitled".
    std::string caption() const;

    // Makes `name` the current list file and its folder the list folder.
    void set_file_name(std::string name);
    // Forgets the current list file name; the list folder stays.
    void set_untitled();
    void set_list_folder(std::string folder);
    void set_modified(bool modified);
    // The list has been written to its file: the modified flag is cleared and the
    // count of writes goes up, so that a command can tell whether the file was
    // written while it was under way.
    void mark_saved();
    int saves() const { return saves_; }

    void add_listener(CopyListListener* listener);
    void remove_listener(CopyListListener* listener);

private:
    template <class F> void notify(F f) {
        for (auto* l : listeners_)
            f(*l);
    }
    void clamp_current_row();

    std::vector<CopyLine> lines_;
    std::string message_;
    std::string file_name_;
    std::string list_folder_;
    bool modified_ = false;
    int saves_ = 0;
    int current_row_ = 0;
    std::vector<CopyListListener*> listeners_;
};

} // namespace vt
