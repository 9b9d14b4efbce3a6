#pragma once
#include "core/run/run_preview.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace vt {

// The preview of a run: what "Copy Now" (or a restore) would do now, line by line, with
// the counts and bytes of each kind and the first files of each. It is computed on
// threads of its own by the run's engine in a dry run, with its progress shown, and can
// be stopped; nothing is written. Its action button ("Copy Now", "Restore Now") accepts
// the window, which then starts the run; Close rejects it.
class TPreview_Form : public QDialog {
    Q_OBJECT
public:
    // `restore`: the list is a restore's (its words differ). `rows`: the list's own row
    // of each line (a restore leaves lines out); empty when they are 1, 2, ... `notes`:
    // shown above the lines.
    TPreview_Form(QWidget* parent, const CopyList& list, const CopyOptions& options,
                  bool restore = false, std::vector<int> rows = {}, const QStringList& notes = {});
    ~TPreview_Form() override;

    // Waits (with the events processed) until the preview is computed; for tests.
    bool wait_finished(int milliseconds);
    bool finished() const;
    const Preview& preview() const;

    QLabel* Status = nullptr;
    QProgressBar* Progress = nullptr;
    QTreeWidget* Lines = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* ActionButton = nullptr;
    QPushButton* CloseButton = nullptr;

    // The text of a kind of file, for a copy or a restore.
    static QString kind_text(PreviewKind kind, bool restore);

protected:
    void reject() override;

private:
    void poll();
    void show_result();
    QTreeWidgetItem* add_line(const LinePreview& line, const QString& heading);

    std::unique_ptr<PreviewRun> run_;
    std::vector<int> rows_;
    bool restore_ = false;
    QTimer* timer_ = nullptr;
    QElapsedTimer since_start_;
    bool shown_ = false;
};

} // namespace vt
