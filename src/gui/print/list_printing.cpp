#include "gui/print/list_printing.h"

#include "core/print/page_options.h"

#include <QApplication>
#include <QHeaderView>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTableView>

namespace vt {

PrintableGrid printable_copy_list(const QTableView& view, const CopyList& list) {
    PrintableGrid grid;
    const int row_height = view.verticalHeader()->defaultSectionSize();
    for (int c = 0; c < kColumnCount; ++c)
        grid.geometry.column_widths.push_back(view.columnWidth(c));
    grid.geometry.row_heights.assign(static_cast<size_t>(list.row_count()), row_height);
    grid.geometry.fixed_columns = 0;
    grid.geometry.fixed_rows = list.empty() ? 0 : 1;
    grid.geometry.grid_line_width = 0;
    grid.font = view.font();
    grid.screen = view.viewport();
    grid.cell = [&list](int column, int row) {
        return QString::fromLocal8Bit(list.cell(column, row));
    };
    return grid;
}

bool print_copy_list(QPagedPaintDevice& device, const QTableView& view, const CopyList& list) {
    return print_grid(device, printable_copy_list(view, list),
                      copy_list_page_options(list.file_name()));
}

std::string print_on_default_printer(const QTableView& view, const CopyList& list) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return "There is no default printer currently selected";
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid())
        return "Printer selected is not valid";
    printer.setDocName(QString::fromLocal8Bit(list.file_name()));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool printed = print_copy_list(printer, view, list);
    QApplication::restoreOverrideCursor();
    return printed ? std::string() : "Printer selected is not valid";
}

} // namespace vt
