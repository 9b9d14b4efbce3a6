#pragma once
#include "core/platform/io_result.h"

#include <QWidget>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vt {

// The program's own window for reading a journal: the text read-only but selectable,
// opened at the latest run, with a find field (Ctrl+F goes there, Enter finds the
// next place). One window serves every showing; it is read afresh each time.
class JournalViewer final : public QWidget {
    Q_OBJECT
public:
    explicit JournalViewer(QWidget* owner);

    // Reads the journal and shows the window at its latest run; the error when it
    // cannot be read (the window then stays as it was).
    IoResult show_journal(const std::string& path);
    const std::string& path() const { return path_; }

    // Selects the next place of the find field's text after the caret, going round to
    // the top; false when the text is nowhere.
    bool find_next();
    // The line of the latest run's started entry (0 when there is none).
    int latest_run_line() const { return latest_run_line_; }

    QPlainTextEdit* Text = nullptr;
    QLabel* FindLabel = nullptr;
    QLineEdit* FindEdit = nullptr;
    QPushButton* FindNext = nullptr;
    QLabel* NotFound = nullptr;
    QPushButton* CloseButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show_latest_run();

    std::string path_;
    int latest_run_line_ = 0;
};

} // namespace vt
