#pragma once
#include <string>

namespace vt {

class CopyInputs;

// The five cells of a list line, read once when a walk of it starts: a line is never
// worked on half with its old and half with its new cells.
struct ListLine {
    std::string source, spec, destination;
    bool replace = false, subfolders = false;
    int row = 0; // grid row, from 1
};

ListLine read_line(const CopyInputs& inputs, int row);

} // namespace vt
