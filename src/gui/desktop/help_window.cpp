#include "gui/desktop/help_window.h"

#include "core/desktop/help_topics.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vt {

HelpWindow::HelpWindow(const std::string& manual_path, QWidget* parent)
    : QWidget(parent, Qt::Window), manual_(QString::fromLocal8Bit(manual_path)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Vantorel Help"));
    resize(720, 560);

    contents_ = new QPushButton(QStringLiteral("&Contents"), this);
    back_ = new QPushButton(QStringLiteral("&Back"), this);
    forward_ = new QPushButton(QStringLiteral("&Forward"), this);
    auto* close = new QPushButton(QStringLiteral("C&lose"), this);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    // Mail and web links of the manual go to the desktop, the manual's own stay here.
    browser_->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents_);
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(contents_, &QPushButton::clicked, this, [this] { show_topic({}); });
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void HelpWindow::show_topic(const std::string& keyword) {
    const QString anchor = QString::fromStdString(help::anchor_for(keyword));
    QUrl url = QUrl::fromLocalFile(manual_);
    url.setFragment(anchor);
    show();
    raise();
    activateWindow();
    browser_->setSource(url);
    // The same address again (the user scrolled away) is not loaded anew: move there.
    browser_->scrollToAnchor(anchor);
}

} // namespace vt
