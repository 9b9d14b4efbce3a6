#include "gui/editor/folder_path_edit.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileSystemModel>
#include <QKeyEvent>

namespace vt {

FolderPathEdit::FolderPathEdit(QWidget* parent) : QLineEdit(parent) {
    auto* model = new QFileSystemModel(this);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    model->setRootPath(QStringLiteral("/"));
    auto* completer = new QCompleter(model, this);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    setCompleter(completer);
    connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
            [this] { finish(); });
    connect(this, &QLineEdit::editingFinished, this, [this] {
        if (isModified())
            finish();
    });
}

void FolderPathEdit::show_folder(const QString& folder) {
    shown_ = folder;
    setText(folder); // also clears the modified flag
}

QString FolderPathEdit::full_path(const QString& typed, const QString& base) {
    QString path = typed.trimmed();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path.replace(0, 1, QDir::homePath());
    if (!path.startsWith(QLatin1Char('/')))
        path = (base.isEmpty() ? QDir::homePath() : base) + QLatin1Char('/') + path;
    return path;
}

void FolderPathEdit::finish() {
    const QString typed = text().trimmed();
    setModified(false);
    if (typed.isEmpty()) {
        setText(shown_); // nothing chosen: the list's folder stays
        return;
    }
    emit folderTyped(full_path(typed, shown_));
}

void FolderPathEdit::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(completer() && completer()->popup()->isVisible())) {
        finish();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace vt
