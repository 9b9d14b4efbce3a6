// The main window's layout: fitting it to the screen at start-up, and the resize rule
// that shares the window between the grid, its columns and a run's progress.
#include "gui/window/vt_main.h"

#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

namespace vt {

void TVT_main_Form::fit_to_screen(int screen_width) {
    if (screen_width == 640) {
        Panel1->resize(470, Panel1->height());
        BitBtn_do_copy->resize(110, BitBtn_do_copy->height());
        BitBtn_do_copy->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        GroupBox1->setGeometry(128, GroupBox1->y(), 140, GroupBox1->height());
        RadioGroup_append->setGeometry(276, RadioGroup_append->y(), 185,
                                       RadioGroup_append->height());
        RadioAppend->resize(185 - 12, RadioAppend->height());
        RadioCreateNew->resize(185 - 12, RadioCreateNew->height());
        RadioAppend->setText(QStringLiteral("&Append to an existing file"));
        FileList_StringGrid->setColumnWidth(0, 10);
        FileList_StringGrid->setColumnWidth(2, 10);
        FormResize(); // shares the free width between columns 0 and 2
    } else {
        resize(770, height());
    }
    if (screen_width < width())
        resize(screen_width, height());
}

void TVT_main_Form::centre_on_screen() {
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        // The frame is not known before the window is shown; the client area stands
        // in for it.
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

// --- Resize rule ----------------------------------------------------------

void TVT_main_Form::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TVT_main_Form::FormResize() {
    QWidget* client = centralWidget();
    if (!client || !FileList_StringGrid)
        return;
    const int client_width = client->width();
    const int client_height = client->height() + StatusBar1->height();
    const int threshold = Panel1->x() + Panel1->width() + 3;
    const int grid_width = client_width < threshold ? threshold - 2 : client_width;
    FileList_StringGrid->resize(grid_width, FileList_StringGrid->height());

    auto total = [&] {
        int sum = 0;
        for (int c = 0; c < kColumnCount; ++c)
            sum += FileList_StringGrid->columnWidth(c) + kGridLineWidth;
        return sum;
    };
    auto grow = [&](int column, int by) {
        FileList_StringGrid->setColumnWidth(
            column, std::max(0, FileList_StringGrid->columnWidth(column) + by));
    };
    grow(0, (grid_width - total()) / 2);
    grow(2, grid_width - total() - 4);

    Edit3->resize(grid_width - Edit3->x(), Edit3->height());
    const int grid_top = FileList_StringGrid->y();
    const int below = CopyProgress && !CopyProgress->isHidden() ? CopyProgress->height() : 0;
    if (grid_top + 2 * kRowHeight + 3 * kGridLineWidth < client_height - below)
        FileList_StringGrid->resize(grid_width,
                                    client_height - grid_top - StatusBar1->height() - below);
    if (below > 0)
        CopyProgress->setGeometry(0, FileList_StringGrid->geometry().bottom() + 1, grid_width,
                                  below);
}

} // namespace vt
