#include "core/run/run_preview.h"

#include "core/platform/event_pump.h"
#include "core/run/copy_engine.h"

namespace vt {
namespace {

// The list's lines, message and name, without the listeners of the original (a
// window), which must never hear from a copy on another thread.
void copy_list_into(const CopyList& from, CopyList& to) {
    to.replace_lines(from.lines());
    to.set_message(from.message());
    if (!from.file_name().empty())
        to.set_file_name(from.file_name());
    to.set_modified(false);
}

class StopPump final : public EventPump {
public:
    StopPump(std::atomic<bool>& stop, CopyEngine*& engine) : stop_(stop), engine_(engine) {}
    void pump() override {
        if (stop_ && engine_)
            engine_->request_stop();
    }

private:
    std::atomic<bool>& stop_;
    CopyEngine*& engine_;
};

// Passes the run's progress on to the one who shows it.
class ProgressTap final : public RunObserver {
public:
    ProgressTap(PreviewCollector& collector, std::function<void(const RunProgress&)> tell)
        : collector_(collector), tell_(std::move(tell)) {}
    void progress(const RunProgress& now) override {
        collector_.progress(now);
        if (tell_)
            tell_(now);
    }
    void decided(const FileDecision& d) override { collector_.decided(d); }
    void folder_created(const std::string& f) override { collector_.folder_created(f); }
    void folder_unreadable(const std::string& f) override { collector_.folder_unreadable(f); }
    void name_clash(const std::string& text) override { collector_.name_clash(text); }

private:
    PreviewCollector& collector_;
    std::function<void(const RunProgress&)> tell_;
};

Preview run_dry(const CopyList& list, const CopyOptions& options, std::atomic<bool>& stop,
                std::function<void(const RunProgress&)> tell) {
    PreviewCollector collector(list);
    ProgressTap tap(collector, std::move(tell));
    CopyEngine* engine_ref = nullptr;
    StopPump pump(stop, engine_ref);
    ListInputs inputs(list, [&options] { return options; });
    CopyEngine engine(inputs, collector, pump, nullptr, &tap);
    engine_ref = &engine;
    engine.set_dry_run([](const std::string&) {});
    engine.set_counting(false); // the preview is the count
    engine.click();
    collector.preview().complete = engine.summary().started && !engine.summary().ended_early;
    return std::move(collector.preview());
}

} // namespace

PreviewKind preview_kind(const FileDecision& d) {
    if (!d.destination)
        return d.copy ? PreviewKind::New : PreviewKind::Unchanged;
    if (*d.destination > d.source)
        return PreviewKind::DestinationNewer;
    if (!d.copy)
        return PreviewKind::Unchanged;
    return *d.destination < d.source ? PreviewKind::ReplaceOlder : PreviewKind::ReplaceEqual;
}

PreviewCount LinePreview::copies() const {
    PreviewCount sum;
    for (PreviewKind kind :
         {PreviewKind::New, PreviewKind::ReplaceOlder, PreviewKind::ReplaceEqual})
        sum.add(count(kind));
    return sum;
}

LinePreview Preview::total() const {
    LinePreview sum;
    for (const LinePreview& line : lines) {
        for (int k = 0; k < kPreviewKinds; ++k)
            sum.counts[static_cast<std::size_t>(k)].add(line.counts[static_cast<std::size_t>(k)]);
        sum.folders_to_create.insert(sum.folders_to_create.end(), line.folders_to_create.begin(),
                                     line.folders_to_create.end());
        sum.unreadable.insert(sum.unreadable.end(), line.unreadable.begin(), line.unreadable.end());
        sum.clashes.insert(sum.clashes.end(), line.clashes.begin(), line.clashes.end());
        sum.same_folder = sum.same_folder || line.same_folder;
    }
    return sum;
}

PreviewCollector::PreviewCollector(const CopyList& list) {
    for (int row = 1; row < list.row_count(); ++row) {
        LinePreview line;
        line.row = row;
        line.source = list.cell(kSourceColumn, row);
        line.spec = list.cell(kSpecColumn, row);
        line.destination = list.cell(kDestinationColumn, row);
        preview_.lines.push_back(std::move(line));
    }
}

LinePreview* PreviewCollector::line(int row) {
    if (row < 1 || row > static_cast<int>(preview_.lines.size()))
        return nullptr;
    return &preview_.lines[static_cast<std::size_t>(row - 1)];
}

Answer PreviewCollector::ask(const Prompt& prompt) {
    if (prompt.title == "Can't do this copy") {
        if (LinePreview* l = line(row_))
            l->same_folder = true;
        return Answer::Ok;
    }
    switch (prompt.buttons) {
    case Buttons::YesNoCancel:
        return prompt.text.rfind("The version of: ", 0) == 0 ? Answer::No : Answer::Yes;
    case Buttons::AbortRetryIgnore:
        return Answer::Ignore;
    case Buttons::YesNo:
        return Answer::No;
    default:
        return prompt.default_button;
    }
}

void PreviewCollector::progress(const RunProgress& now) {
    row_ = now.line;
}

void PreviewCollector::decided(const FileDecision& d) {
    LinePreview* l = line(d.line);
    if (!l)
        return;
    const auto kind = static_cast<std::size_t>(preview_kind(d));
    l->counts[kind].add(d.size);
    std::vector<std::string>& named = l->files[kind];
    if (named.size() < LinePreview::kListed)
        named.push_back(d.sub_path->empty() ? *d.name : d.sub_path->substr(1) + "/" + *d.name);
}

void PreviewCollector::folder_created(const std::string& folder) {
    if (LinePreview* l = line(row_))
        l->folders_to_create.push_back(folder);
}

void PreviewCollector::folder_unreadable(const std::string& folder) {
    if (LinePreview* l = line(row_))
        l->unreadable.push_back(folder);
}

void PreviewCollector::name_clash(const std::string& text) {
    if (LinePreview* l = line(row_))
        l->clashes.push_back(text);
}

PreviewRun::PreviewRun(const CopyList& list, const CopyOptions& options) : options_(options) {
    copy_list_into(list, list_);
}

PreviewRun::~PreviewRun() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void PreviewRun::start() {
    thread_ = std::thread([this] { run(); });
}

void PreviewRun::run() {
    Preview preview = run_dry(list_, options_, stop_, [this](const RunProgress& now) {
        std::lock_guard lock(mutex_);
        progress_ = now;
    });
    std::lock_guard lock(mutex_);
    result_ = std::move(preview);
    finished_ = true;
}

RunProgress PreviewRun::progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

Preview preview_list(const CopyList& list, const CopyOptions& options) {
    std::atomic<bool> stop = false;
    return run_dry(list, options, stop, nullptr);
}

} // namespace vt
