#pragma once
#include <QObject>

class QKeyEvent;

namespace vt {

// Keeps the keys that edit text with the text field that has the focus. The main
// window's menu items use Del, Ins, Shift+Ins and Ctrl+C as their shortcuts, which Qt
// would otherwise hand to the menu even while the user types in a field (a line
// deleted from the list instead of a character from the message). Installed on the
// application, this filter claims those keys for any focused text field
// (ShortcutOverride), so the shortcuts act only where no text is being edited.
class TextKeysToText final : public QObject {
    Q_OBJECT
public:
    // Installs itself on the application for as long as `parent` lives.
    explicit TextKeysToText(QObject* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Whether the key edits, moves in or selects text in a text field.
    static bool is_text_key(const QKeyEvent& key);
    // Whether the object is a control the user types text into.
    static bool is_text_field(const QObject* object);
};

} // namespace vt
