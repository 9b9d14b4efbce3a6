#include "gui/screens/vt_about.h"

#include "core/desktop/links.h"
#include "core/desktop/product_info.h"
#include "core/platform/desktop_services.h"
#include "gui/widgets/design_font.h"
#include "gui/widgets/design_place.h"
#include "gui/widgets/program_icon.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace vt {

TAboutBox::TAboutBox(DesktopServices& desktop, QWidget* owner) : QDialog(owner), desktop_(desktop) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFont(design_font());
    setModal(true);

    Panel1 = place(new QFrame(this), "Panel1", 8, 8, 297, 161);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);

    ProgramIcon = place(new QLabel(Panel1), "ProgramIcon", 8, 8, 64, 64);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(program_pixmap(64));

    // The designed captions; FormCreate puts the product's own in their place.
    ProductName = place(new QLabel(QStringLiteral("Product Name"), Panel1), "ProductName", 90, 12);
    Version = place(new QLabel(QStringLiteral("Version"), Panel1), "Version", 90, 32);
    Copyright = place(new QLabel(QStringLiteral("Copyright \u00A9 Larchmere Utilities"), Panel1),
                      "Copyright", 8, 80);
    Comments = place(new QLabel(QStringLiteral("Early release with free upgrade option"), Panel1),
                     "Comments", 12, 104, 265, 48);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Panel2 = place(new QFrame(this), "Panel2", 8, 180, 297, 137);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);

    Labelemail = place(new QLabel(QStringLiteral("Labelemail"), Panel2), "Labelemail", 88, 84);
    Labelweb = place(new QLabel(QStringLiteral("Labelweb"), Panel2), "Labelweb", 90, 112);
    QFont link_font = design_font();
    link_font.setUnderline(true);
    for (QLabel* link : {Labelemail, Labelweb}) {
        link->setFont(link_font);
        link->setStyleSheet(QStringLiteral("color: blue"));
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    OKButton = place(new QPushButton(QStringLiteral("OK"), this), "OKButton", 119, 328, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(314, 362);
    if (const QScreen* s =
            owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    FormCreate();
}

void TAboutBox::FormCreate() {
    Labelemail->setText(QString::fromLatin1(links::kInformationMail));
    Labelemail->adjustSize();
    Labelweb->setText(QString::fromLatin1(links::kWebAddress));
    Labelweb->adjustSize();
    Version->setText(version_text());
    Version->adjustSize();
    ProductName->setText(QString::fromLatin1(ProductInfo::product_name));
    ProductName->adjustSize();
}

QString TAboutBox::version_text() {
    return QStringLiteral("Version ") + QString::fromStdString(ProductInfo::version_number()) +
           QLatin1Char(' ') + QString::fromLatin1(ProductInfo::build_suffix);
}

void TAboutBox::LabelemailClick() {
    desktop_.open_url(links::information_mail());
}

void TAboutBox::LabelwebClick() {
    desktop_.open_url(links::web_site());
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Labelemail)
            LabelemailClick();
        else if (watched == Labelweb)
            LabelwebClick();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vt
