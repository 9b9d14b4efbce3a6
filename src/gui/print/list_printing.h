#pragma once
#include "core/list/copy_list.h"
#include "gui/print/grid_printer.h"

#include <string>

class QPagedPaintDevice;
class QTableView;

namespace vt {

// The copy list's grid as the grid printer sees it: the columns as wide as on
// screen, the header as the one fixed row once the list has lines.
PrintableGrid printable_copy_list(const QTableView& view, const CopyList& list);

// Prints the list as the Print command does, on any paged device.
bool print_copy_list(QPagedPaintDevice& device, const QTableView& view, const CopyList& list);

// Prints the list on the system's default printer without asking, the job titled
// with the list's file name. Returns the error to show, or an empty text.
std::string print_on_default_printer(const QTableView& view, const CopyList& list);

} // namespace vt
