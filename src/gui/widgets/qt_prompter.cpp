#include "gui/widgets/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vt {
namespace {

QMessageBox::StandardButton standard(Answer a) {
    switch (a) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    case Answer::Abort:
        return QMessageBox::Abort;
    case Answer::Retry:
        return QMessageBox::Retry;
    case Answer::Ignore:
        return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons buttons_of(Buttons b) {
    switch (b) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon icon_of(Icon i) {
    switch (i) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Stop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

Answer answer_of(int button, Answer fallback) {
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        return fallback;
    }
}

} // namespace

Answer QtPrompter::ask(const Prompt& prompt) {
    QString text = QString::fromLocal8Bit(prompt.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon_of(prompt.icon), QString::fromLocal8Bit(prompt.title), text,
                    buttons_of(prompt.buttons), parent_);
    // The entry editor stays on top of the main window; a question must not open
    // behind it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setDefaultButton(standard(prompt.default_button));
    QAbstractButton* escape = box.button(standard(prompt.escape_answer));
    if (!escape) {
        // A box whose only button is OK would answer OK to Esc and to its close box;
        // closing it must give the escape answer (a list's message closed without OK
        // starts no run). A hidden button carries that answer.
        escape = box.addButton(standard(prompt.escape_answer));
        escape->hide();
    }
    box.setEscapeButton(escape);
    // A run in progress shows the wait cursor; a question needs the normal one.
    const bool overridden = QApplication::overrideCursor() != nullptr;
    if (overridden)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (overridden)
        QApplication::restoreOverrideCursor();
    return answer_of(pressed, prompt.escape_answer);
}

} // namespace vt
