#include "gui/widgets/program_icon.h"

#include "core/desktop/product_info.h"

#include <QPixmap>

namespace vt {

QIcon program_icon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/%2.png")
                         .arg(size)
                         .arg(QLatin1String(ProductInfo::app_id)),
                     QSize(size, size));
    return icon;
}

QPixmap program_pixmap(int size) {
    return program_icon().pixmap(size, size);
}

} // namespace vt
