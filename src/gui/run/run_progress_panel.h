#pragma once
#include <QFrame>
#include <string>

class QLabel;
class QProgressBar;

namespace vt {

class RunMeter;
struct RunProgress;

// The progress of a copy run under the list's grid: a bar filled by bytes (saying
// that the files to copy are being counted, until they are), where the run is, and
// the counts, pace and time left. The window shows it only while a run is in progress.
class RunProgressPanel final : public QFrame {
public:
    static constexpr int kHeight = 46;

    explicit RunProgressPanel(QWidget* parent);

    void clear();
    void show_progress(const RunMeter& meter, const RunProgress& now);
    // What the run does to its files, for the texts shown while they are counted:
    // "copy" (a copy run) or "compare" (a check).
    void set_work(std::string work) { work_ = std::move(work); }

    QProgressBar* bar() const { return bar_; }
    QLabel* place_label() const { return where_; }
    QLabel* counts_label() const { return counts_; }

private:
    QProgressBar* bar_;
    QLabel* where_;  // line, folder and file
    QLabel* counts_; // files and bytes of the total, pace, time left
    std::string work_ = "copy";
};

} // namespace vt
