#include "core/run/list_line.h"

#include "core/run/copy_inputs.h"

namespace vt {

ListLine read_line(const CopyInputs& inputs, int row) {
    ListLine line;
    line.row = row;
    line.source = inputs.cell(kSourceColumn, row);
    line.spec = inputs.cell(kSpecColumn, row);
    line.destination = inputs.cell(kDestinationColumn, row);
    line.replace = flag_set(inputs.cell(kReplaceColumn, row));
    line.subfolders = flag_set(inputs.cell(kSubDirsColumn, row));
    return line;
}

} // namespace vt
