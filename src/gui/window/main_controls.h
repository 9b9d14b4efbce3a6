#pragma once

class QAbstractItemModel;

namespace vt {

class TVT_main_Form;

// Creates the main window's controls at their designed places, sizes, captions and
// hints, and assigns them to the window's members; the grid shows `model`.
void build_main_controls(TVT_main_Form& form, QAbstractItemModel* model);

} // namespace vt
