#include "gui/run/run_progress_panel.h"

#include "core/run/run_meter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace vt {

namespace {

constexpr int kScale = 1000; // the bar counts thousandths

} // namespace

RunProgressPanel::RunProgressPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("CopyProgress"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("CopyProgressBar"));
    bar_->setTextVisible(true);
    bar_->setFixedHeight(18);
    bar_->setRange(0, kScale);
    where_ = new QLabel(this);
    where_->setObjectName(QStringLiteral("CopyProgressPlace"));
    where_->setTextFormat(Qt::PlainText);
    where_->setMinimumWidth(40);
    where_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("CopyProgressCounts"));
    counts_->setTextFormat(Qt::PlainText);
    counts_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* texts = new QHBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(12);
    texts->addWidget(where_, 1);
    texts->addWidget(counts_, 0);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 3, 4, 3);
    rows->setSpacing(2);
    rows->addWidget(bar_);
    rows->addLayout(texts);
    resize(width(), kHeight);
    clear();
}

void RunProgressPanel::clear() {
    bar_->setValue(0);
    bar_->setFormat(QString());
    where_->clear();
    counts_->clear();
}

void RunProgressPanel::show_progress(const RunMeter& meter, const RunProgress& now) {
    // A share of a total still growing would be a false one: the bar says so instead.
    const std::optional<int> share = meter.per_mille();
    bar_->setValue(share.value_or(0));
    bar_->setFormat(share ? QString::fromStdString(share_text(meter))
                          : QString::fromStdString("Counting the files to " + work_ + "..."));
    counts_->setText(QString::fromStdString(progress_text(meter, work_)));
    QString place =
        QStringLiteral("Line %1: %2").arg(now.line).arg(QString::fromLocal8Bit(now.folder));
    if (!now.file.empty())
        place += QLatin1Char('/') + QString::fromLocal8Bit(now.file);
    // The end of a path names the file, its start the line's folder: the middle goes.
    where_->setText(where_->fontMetrics().elidedText(place, Qt::ElideMiddle, where_->width()));
}

} // namespace vt
