#include "gui/run/vt_preview.h"

#include "core/run/run_meter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vt {
namespace {

constexpr int kPollMs = 100;

QString local(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

QString bytes_text(std::uint64_t bytes) {
    return QString::fromStdString(size_text(bytes));
}

// A row of counts: what, files, bytes.
QTreeWidgetItem* count_item(QTreeWidgetItem* parent, const QString& what, std::int64_t files,
                            const QString& bytes = {}) {
    auto* item = new QTreeWidgetItem(parent, {what, QString::number(files), bytes});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// The names under a row, and a last row for those left out.
void name_items(QTreeWidgetItem* parent, const std::vector<std::string>& names, std::int64_t all) {
    for (const std::string& name : names)
        new QTreeWidgetItem(parent, {local(name)});
    if (all > static_cast<std::int64_t>(names.size()))
        new QTreeWidgetItem(parent, {TPreview_Form::tr("... and %1 more")
                                         .arg(all - static_cast<std::int64_t>(names.size()))});
}

} // namespace

QString TPreview_Form::kind_text(PreviewKind kind, bool restore) {
    switch (kind) {
    case PreviewKind::New:
        return restore ? tr("Missing files: copied back") : tr("New copies");
    case PreviewKind::ReplaceOlder:
        return restore ? tr("Replacing older files") : tr("Replacing older copies");
    case PreviewKind::ReplaceEqual:
        return restore ? tr("Replacing files of the same date")
                       : tr("Replacing copies of the same date");
    case PreviewKind::DestinationNewer:
        return restore ? tr("The file there is newer than the backup: a restore would ask")
                       : tr("The copy is newer than its source: a run would ask");
    case PreviewKind::Unchanged:
        return restore ? tr("Same as the backup: not copied") : tr("Up to date: not copied");
    }
    return {};
}

TPreview_Form::TPreview_Form(QWidget* parent, const CopyList& list, const CopyOptions& options,
                             bool restore, std::vector<int> rows, const QStringList& notes)
    : QDialog(parent), run_(std::make_unique<PreviewRun>(list, options)), rows_(std::move(rows)),
      restore_(restore) {
    setObjectName(QStringLiteral("TPreview_Form"));
    setWindowTitle(restore ? tr("Preview Restore") : tr("Preview Copy"));
    const QString action = restore ? tr("Restore Now") : tr("Copy Now");
    Status = new QLabel(this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setTextFormat(Qt::PlainText);
    Status->setWordWrap(true);
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 0); // busy: the total is not known ahead
    Progress->setTextVisible(false);
    Progress->setFixedHeight(14);
    Lines = new QTreeWidget(this);
    Lines->setObjectName(QStringLiteral("Lines"));
    Lines->setColumnCount(3);
    Lines->setHeaderLabels({tr("What the run would do"), tr("Files"), tr("Size")});
    Lines->header()->setStretchLastSection(false);
    Lines->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Lines->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Lines->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    Lines->setUniformRowHeights(true);

    StopButton = new QPushButton(tr("&Stop"), this);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    ActionButton = new QPushButton(action, this);
    ActionButton->setObjectName(QStringLiteral("ActionButton"));
    ActionButton->setEnabled(false);
    CloseButton = new QPushButton(tr("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setDefault(true);
    connect(StopButton, &QPushButton::clicked, this, [this] {
        run_->stop();
        StopButton->setEnabled(false);
    });
    connect(ActionButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(StopButton);
    buttons->addStretch(1);
    buttons->addWidget(ActionButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    if (!notes.isEmpty()) {
        auto* noted = new QLabel(notes.join(QLatin1Char('\n')), this);
        noted->setObjectName(QStringLiteral("Notes"));
        noted->setTextFormat(Qt::PlainText);
        noted->setWordWrap(true);
        layout->addWidget(noted);
    }
    layout->addWidget(Status);
    layout->addWidget(Progress);
    layout->addWidget(Lines, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    timer_ = new QTimer(this);
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &TPreview_Form::poll);
    Status->setText(tr("Looking at the folders..."));
    since_start_.start();
    run_->start();
    timer_->start();
}

TPreview_Form::~TPreview_Form() = default;

void TPreview_Form::reject() {
    // Closing while it computes stops it; the window waits only for the entry in hand.
    run_->stop();
    QDialog::reject();
}

bool TPreview_Form::finished() const {
    return shown_;
}

const Preview& TPreview_Form::preview() const {
    return run_->result();
}

bool TPreview_Form::wait_finished(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!shown_ && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return shown_;
}

void TPreview_Form::poll() {
    if (run_->finished()) {
        timer_->stop();
        show_result();
        return;
    }
    const RunProgress now = run_->progress();
    Status->setText(tr("Looking at line %1: %2 (%3 entries so far)")
                        .arg(now.line)
                        .arg(local(now.folder))
                        .arg(now.examined));
}

QTreeWidgetItem* TPreview_Form::add_line(const LinePreview& line, const QString& heading) {
    auto* top = new QTreeWidgetItem(Lines, {heading});
    const PreviewCount copies = line.copies();
    top->setText(1, QString::number(copies.files));
    top->setText(2, bytes_text(copies.bytes));
    top->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    top->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = top->font(0);
    bold.setBold(true);
    top->setFont(0, bold);
    if (line.same_folder)
        count_item(top, tr("Not done: source and destination are the same folder"), 0);
    for (int k = 0; k < kPreviewKinds; ++k) {
        const auto kind = static_cast<PreviewKind>(k);
        const PreviewCount& c = line.count(kind);
        if (c.files == 0)
            continue;
        QTreeWidgetItem* item =
            count_item(top, kind_text(kind, restore_), c.files, bytes_text(c.bytes));
        name_items(item, line.files[static_cast<std::size_t>(k)], c.files);
    }
    if (!line.folders_to_create.empty()) {
        QTreeWidgetItem* item = count_item(
            top, tr("Folders to create"), static_cast<std::int64_t>(line.folders_to_create.size()));
        name_items(item, line.folders_to_create,
                   static_cast<std::int64_t>(line.folders_to_create.size()));
    }
    if (!line.unreadable.empty()) {
        QTreeWidgetItem* item = count_item(top, tr("Folders that cannot be read"),
                                           static_cast<std::int64_t>(line.unreadable.size()));
        name_items(item, line.unreadable, static_cast<std::int64_t>(line.unreadable.size()));
        item->setForeground(0, Qt::red);
    }
    if (!line.clashes.empty()) {
        QTreeWidgetItem* item =
            count_item(top, tr("Not copied: the same name as another on a disk that ignores case"),
                       static_cast<std::int64_t>(line.clashes.size()));
        name_items(item, line.clashes, static_cast<std::int64_t>(line.clashes.size()));
        item->setForeground(0, Qt::red);
    }
    return top;
}

void TPreview_Form::show_result() {
    const Preview& preview = run_->result();
    Lines->clear();
    for (std::size_t i = 0; i < preview.lines.size(); ++i) {
        const LinePreview& line = preview.lines[i];
        const int row = i < rows_.size() ? rows_[i] : line.row;
        add_line(line, tr("Line %1: %2 in %3 to %4")
                           .arg(row)
                           .arg(local(line.spec), local(line.source), local(line.destination)));
    }
    const LinePreview total = preview.total();
    QTreeWidgetItem* sum = add_line(total, tr("Total"));
    for (int i = 0; i < sum->childCount(); ++i)
        qDeleteAll(sum->child(i)->takeChildren()); // the lines name the files
    sum->setExpanded(true);
    for (int i = 0; i + 1 < Lines->topLevelItemCount(); ++i)
        Lines->topLevelItem(i)->setExpanded(preview.lines.size() <= 3);

    const PreviewCount copies = total.copies();
    QString text;
    if (preview.lines.empty())
        text = tr("There is no list of files to copy.");
    else
        text = (copies.files == 1
                    ? tr("1 file (%1)").arg(bytes_text(copies.bytes))
                    : tr("%1 files (%2)").arg(copies.files).arg(bytes_text(copies.bytes))) +
               tr(" would be copied; nothing has been written yet.");
    const std::int64_t asked = total.count(PreviewKind::DestinationNewer).files;
    if (asked > 0)
        text += QLatin1Char(' ') + tr("Newer files it would ask about: %1.").arg(asked);
    if (!preview.complete && !preview.lines.empty())
        text = tr("Stopped: the counts are those found so far.") + QLatin1Char(' ') + text;
    Status->setText(text);
    Progress->setRange(0, 1);
    Progress->setValue(1);
    Progress->hide();
    StopButton->hide();
    ActionButton->setEnabled(!preview.lines.empty());
    ActionButton->setDefault(!preview.lines.empty());
    shown_ = true;
}

} // namespace vt
