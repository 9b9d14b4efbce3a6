#include "gui/run/journal_viewer.h"

#include "core/platform/file_names.h"
#include "core/platform/whole_file.h"
#include "core/run/journal.h"
#include "gui/widgets/program_icon.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QVBoxLayout>

namespace vt {

JournalViewer::JournalViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("JournalViewer"));
    setWindowIcon(program_icon());
    resize(720, 480);

    Text = new QPlainTextEdit(this);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setReadOnly(true);
    // Read-only, yet the caret moves with the keys, so that a selection can be made
    // without the mouse and a find goes on from where the reader is.
    Text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    FindLabel = new QLabel(QStringLiteral("&Find:"), this);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    FindLabel->setBuddy(FindEdit);
    FindNext = new QPushButton(QStringLiteral("Find &Next"), this);
    FindNext->setObjectName(QStringLiteral("FindNext"));
    FindNext->setAutoDefault(false);
    NotFound = new QLabel(this);
    NotFound->setObjectName(QStringLiteral("NotFound"));
    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setAutoDefault(false);

    auto* find_row = new QHBoxLayout;
    find_row->addWidget(FindLabel);
    find_row->addWidget(FindEdit, 1);
    find_row->addWidget(FindNext);
    find_row->addWidget(NotFound, 1);
    find_row->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text, 1);
    layout->addLayout(find_row);

    connect(FindNext, &QPushButton::clicked, this, &JournalViewer::find_next);
    connect(FindEdit, &QLineEdit::textChanged, NotFound, &QLabel::clear);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    auto* find_key = new QShortcut(QKeySequence::Find, this);
    connect(find_key, &QShortcut::activated, this, [this] {
        FindEdit->setFocus(Qt::ShortcutFocusReason);
        FindEdit->selectAll();
    });
    auto* again_key = new QShortcut(QKeySequence::FindNext, this);
    connect(again_key, &QShortcut::activated, this, &JournalViewer::find_next);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    FindEdit->installEventFilter(this);
}

IoResult JournalViewer::show_journal(const std::string& path) {
    std::string bytes;
    if (IoResult r = read_whole_file(path, bytes); !r)
        return r;
    QString text = QString::fromLocal8Bit(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    path_ = path;
    setWindowTitle(QStringLiteral("Journal: ") + QString::fromLocal8Bit(names::name_part(path)));
    Text->setPlainText(text);
    NotFound->clear();
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    show_latest_run();
    return IoResult::success();
}

void JournalViewer::show_latest_run() {
    const QString started = QString::fromLatin1(Journal::kSignature) + QStringLiteral(" started");
    latest_run_line_ = 0;
    for (QTextBlock b = Text->document()->lastBlock(); b.isValid(); b = b.previous()) {
        if (b.text().startsWith(started)) {
            latest_run_line_ = b.blockNumber();
            break;
        }
    }
    Text->setTextCursor(QTextCursor(Text->document()->findBlockByNumber(latest_run_line_)));
    // Lines do not wrap, so the scroll position counts lines: the entry stands at the
    // top, with the run's entries under it.
    Text->verticalScrollBar()->setValue(latest_run_line_);
}

bool JournalViewer::find_next() {
    const QString wanted = FindEdit->text();
    if (wanted.isEmpty())
        return false;
    if (Text->find(wanted)) {
        NotFound->clear();
        return true;
    }
    // Round to the top, but keep the place when the text is nowhere.
    const QTextCursor kept = Text->textCursor();
    Text->moveCursor(QTextCursor::Start);
    if (Text->find(wanted)) {
        NotFound->setText(QStringLiteral("Found from the top"));
        return true;
    }
    Text->setTextCursor(kept);
    NotFound->setText(QStringLiteral("Not found"));
    return false;
}

bool JournalViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FindEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            find_next();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vt
