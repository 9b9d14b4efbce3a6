#include "gui/list/vt_memo.h"

#include "core/list/copy_list.h"
#include "core/list/list_file.h"
#include "core/platform/desktop_services.h"
#include "gui/widgets/design_font.h"
#include "gui/widgets/design_place.h"
#include "gui/window/main_window_context.h"
#include "gui/window/main_window_state.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <iterator>

namespace vt {
namespace {

// What the text area would take for a line end, or show as one: a folder name may
// hold any of them, and its line must stay one line.
constexpr char16_t kBreaks[] = {u'\r', u'\n', 0x2028, 0x2029, 0xFDD0, 0xFDD1};
// How each is shown instead: a sign for it (carriage return, line feed, newline,
// pilcrow, and two that stand for nothing else).
constexpr char16_t kSigns[] = {0x240D, 0x240A, 0x2424, 0x00B6, 0x2426, 0x2425};
constexpr std::size_t kBreakCount = std::size(kBreaks);
static_assert(std::size(kSigns) == kBreakCount);

// The signs for the breaks the lines hold, a null character for those they do not
// (a sign typed then stays what it is). A sign that a line holds itself cannot stand
// for a break: a character of the private use area that none holds does.
QString signs_for(const QStringList& lines) {
    const QString all = lines.join(QChar(0));
    QString signs(kBreakCount, QChar(0));
    char16_t spare = 0xE000;
    for (std::size_t i = 0; i < kBreakCount; ++i) {
        if (!all.contains(QChar(kBreaks[i])))
            continue;
        QChar sign(kSigns[i]);
        while (all.contains(sign) || signs.contains(sign))
            sign = QChar(spare++);
        signs[i] = sign;
    }
    return signs;
}

QString with_signs(QString line, const QString& signs) {
    for (qsizetype i = 0; i < signs.size(); ++i)
        if (!signs[i].isNull())
            line.replace(QChar(kBreaks[i]), signs[i]);
    return line;
}

QString without_signs(QString line, const QString& signs) {
    for (qsizetype i = 0; i < signs.size(); ++i)
        if (!signs[i].isNull())
            line.replace(signs[i], QChar(kBreaks[i]));
    return line;
}

} // namespace

TEdit_vtl_Form::TEdit_vtl_Form(MainWindowContext& main) : QDialog(&main.widget()), main_(main) {
    setObjectName(QStringLiteral("Edit_vtl_Form"));
    setWindowTitle(QStringLiteral("Editing in VTL Format"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(design_font());

    Memo1 = place(new QPlainTextEdit(this), "Memo1", 0, 0, 561, 201);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    auto button = [this](const char* name, const QString& caption, int left) {
        return place(new QPushButton(caption, this), name, left, 232, 75, 25);
    };
    BitBtn1 = button("BitBtn1", QStringLiteral("OK"), 64);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setDefault(true);
    BitBtn2 = button("BitBtn2", QStringLiteral("&Help"), 176);
    BitBtn3 = button("BitBtn3", QStringLiteral("Cancel"), 288);
    connect(BitBtn1, &QPushButton::clicked, this, &TEdit_vtl_Form::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TEdit_vtl_Form::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TEdit_vtl_Form::BitBtn3Click);

    // As wide as the screen, centred on it.
    resize(571, 300);
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        resize(area.width(), height());
        move(area.center() - rect().center());
    }
}

void TEdit_vtl_Form::set_lines(const std::vector<std::string>& lines) {
    given_ = lines;
    QStringList texts;
    for (const std::string& line : lines)
        texts << QString::fromLocal8Bit(line);
    signs_ = signs_for(texts);
    shown_.clear();
    for (const QString& text : texts)
        shown_ << with_signs(text, signs_);
    disconnect(change_link_);
    Memo1->setPlainText(shown_.join(QLatin1Char('\n')));
    memo_changed_ = false;
    change_link_ =
        connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { memo_changed_ = true; });
}

std::vector<std::string> TEdit_vtl_Form::lines() const {
    // The raw text: the plain-text view would turn no-break spaces in folder names
    // into ordinary blanks. Its lines end where its paragraphs do, and at a line break
    // typed with Shift+Enter; the breaks the lines were given with are signs in it.
    QString text = Memo1->document()->toRawText();
    text.replace(QChar::LineSeparator, QChar::ParagraphSeparator);
    std::vector<std::string> result;
    if (text.isEmpty())
        return result;
    QStringList parts = text.split(QChar::ParagraphSeparator);
    if (parts.size() > 1 && parts.last().isEmpty())
        parts.removeLast();
    // A line the user left as it was keeps the bytes it came with: converting it
    // back would turn a folder name in another code page into replacement marks.
    // Lines in other code pages can look alike on screen, so each line given is
    // taken at most once, the next one in order first: a line typed in between
    // does not hand one line's bytes to another.
    std::vector<bool> taken(given_.size(), false);
    qsizetype next = 0;
    const auto unused_from = [&](const QString& part, qsizetype from) -> qsizetype {
        for (qsizetype j = from; j < shown_.size(); ++j)
            if (!taken[static_cast<std::size_t>(j)] && shown_[j] == part)
                return j;
        return -1;
    };
    for (const QString& part : parts) {
        qsizetype given = unused_from(part, next);
        if (given < 0)
            given = unused_from(part, 0);
        if (given < 0) {
            result.push_back(without_signs(part, signs_).toLocal8Bit().toStdString());
            continue;
        }
        taken[static_cast<std::size_t>(given)] = true;
        next = given + 1;
        result.push_back(given_[static_cast<std::size_t>(given)]);
    }
    return result;
}

void TEdit_vtl_Form::BitBtn1Click() {
    // An unchanged text is the list text as it was filled, byte for byte.
    const std::vector<std::string> text = memo_changed_ ? lines() : given_;
    // The entry editor was opened on the list that is now replaced.
    main_.close_entry_editor();
    vt::vtl_to_grid(main_.document(), text);
    accept();
}

void TEdit_vtl_Form::BitBtn2Click() {
    if (main_.state().HelpAvailable)
        main_.desktop().show_help("Editing VTL");
}

void TEdit_vtl_Form::BitBtn3Click() {
    reject();
}

// Every way of closing (OK, Cancel, Esc, the close box) ends here.
void TEdit_vtl_Form::done(int result) {
    if (memo_changed_)
        main_.document().set_modified(true);
    disconnect(change_link_);
    QDialog::done(result);
}

void TEdit_vtl_Form::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TEdit_vtl_Form::FormResize() {
    const int w = BitBtn1->width();
    const int h = BitBtn1->height();
    const int cw = width();
    const int ch = height();
    Memo1->setGeometry(0, 0, cw, ch - 2 * h);
    const int top = Memo1->height() + h / 2;
    const int half = w / 2;
    const int a = cw > 5 * w ? (cw - 9 * half) / 2 : half;
    BitBtn1->move(a, top);
    BitBtn2->move(a + w + half, top);
    BitBtn3->move(a + 2 * (w + half), top);
}

} // namespace vt
