#include "gui/screens/window_snapshot.h"

#include "core/desktop/snapshot_folder.h"
#include "core/platform/atomic_file.h"
#include "core/platform/file_names.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>

namespace vt {

IoResult CaptureScreenArea(int left, int top, int width, int height, const std::string& file_name) {
    const IoResult cannot_create = IoResult::failure(0, "Cannot create file " + file_name);
    if (width <= 0 || height <= 0)
        return cannot_create;

    const QRect area(left, top, width, height);
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
        QPainter painter(&picture);
        // Each screen delivers the part of the rectangle that it shows.
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect screen_area = screen->geometry();
            const QRect part = area.intersected(screen_area);
            if (part.isEmpty())
                continue;
            const QPixmap grabbed =
                screen->grabWindow(0, part.x() - screen_area.x(), part.y() - screen_area.y(),
                                   part.width(), part.height());
            if (!grabbed.isNull())
                painter.drawPixmap(QRect(part.topLeft() - area.topLeft(), part.size()), grabbed);
        }
    }

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "BMP"))
        return cannot_create;
    if (!replace_file(file_name, std::string_view(bytes.constData(), size_t(bytes.size()))))
        return cannot_create;
    return IoResult::success();
}

std::string snapshot_path(const char* file) {
    const std::string pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
                                     .toLocal8Bit()
                                     .toStdString();
    return snapshot_folder(names::program_folder(), pictures) + file;
}

IoResult save_window_snapshot(const QWidget& window, const char* file) {
    const QRect frame = window.frameGeometry();
    return CaptureScreenArea(frame.x(), frame.y(), frame.width(), frame.height(),
                             snapshot_path(file));
}

} // namespace vt
