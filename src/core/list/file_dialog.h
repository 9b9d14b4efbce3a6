#pragma once
#include <string>

namespace vt {

// An open or save dialog kept for the life of its window, so that what was set on
// it (folder, name, filter) carries over to its next use. The window shows a real
// file dialog; tests answer from a script.
class FileDialog {
public:
    virtual ~FileDialog() = default;

    // Shows the dialog with the settings below. True when the user chose a file:
    // `file_name` then holds it exactly as chosen (no extension is added).
    virtual bool execute() = 0;

    std::string initial_dir; // empty: wherever the dialog was last
    std::string file_name;   // the text of the file name box
    std::string filter;      // a single mask such as "*.vtl"; empty: every file
};

} // namespace vt
