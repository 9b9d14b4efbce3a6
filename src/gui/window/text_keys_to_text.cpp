#include "gui/window/text_keys_to_text.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace vt {
namespace {

// Matched through the platform's own bindings, so that X11's Shift+Ins paste and
// Ctrl+Ins copy count wherever they are bound.
constexpr QKeySequence::StandardKey kEditingKeys[] = {
    QKeySequence::Copy,
    QKeySequence::Cut,
    QKeySequence::Paste,
    QKeySequence::Undo,
    QKeySequence::Redo,
    QKeySequence::SelectAll,
    QKeySequence::Delete,
    QKeySequence::Backspace,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::DeleteEndOfWord,
    QKeySequence::DeleteEndOfLine,
    QKeySequence::DeleteCompleteLine,
    QKeySequence::MoveToNextChar,
    QKeySequence::MoveToPreviousChar,
    QKeySequence::MoveToNextWord,
    QKeySequence::MoveToPreviousWord,
    QKeySequence::MoveToNextLine,
    QKeySequence::MoveToPreviousLine,
    QKeySequence::MoveToNextPage,
    QKeySequence::MoveToPreviousPage,
    QKeySequence::MoveToStartOfLine,
    QKeySequence::MoveToEndOfLine,
    QKeySequence::MoveToStartOfDocument,
    QKeySequence::MoveToEndOfDocument,
    QKeySequence::SelectNextChar,
    QKeySequence::SelectPreviousChar,
    QKeySequence::SelectNextWord,
    QKeySequence::SelectPreviousWord,
    QKeySequence::SelectNextLine,
    QKeySequence::SelectPreviousLine,
    QKeySequence::SelectNextPage,
    QKeySequence::SelectPreviousPage,
    QKeySequence::SelectStartOfLine,
    QKeySequence::SelectEndOfLine,
    QKeySequence::SelectStartOfDocument,
    QKeySequence::SelectEndOfDocument,
    QKeySequence::Deselect,
};

} // namespace

TextKeysToText::TextKeysToText(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

bool TextKeysToText::is_text_key(const QKeyEvent& key) {
    for (const QKeySequence::StandardKey standard : kEditingKeys) {
        if (key.matches(standard))
            return true;
    }
    switch (key.key()) {
    // Whatever the platform binds them to: Ins has no meaning in a field, but the user
    // pressing it there is not asking for a new line in the list.
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return (key.modifiers() & commands) == 0 && !key.text().isEmpty() && key.text().at(0).isPrint();
}

bool TextKeysToText::is_text_field(const QObject* object) {
    if (qobject_cast<const QLineEdit*>(object) || qobject_cast<const QTextEdit*>(object) ||
        qobject_cast<const QPlainTextEdit*>(object) ||
        qobject_cast<const QAbstractSpinBox*>(object))
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(object);
    return combo && combo->isEditable();
}

bool TextKeysToText::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !is_text_field(watched))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!is_text_key(*key))
        return false;
    // Claimed: no shortcut runs, and the key comes to the field as a key press.
    key->accept();
    return true;
}

} // namespace vt
