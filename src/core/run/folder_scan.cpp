#include "core/run/folder_scan.h"

#include "core/platform/directory.h"
#include "core/platform/long_path.h"
#include "core/platform/quiet_thread.h"
#include "core/platform/sys.h"
#include "core/run/walk_rules.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace vt {

namespace {

// Bounds the memory of a huge folder and how far the scan runs ahead: in entries, and
// in folders, of which a tree has many with few entries each (a few hundred bytes a
// folder, a few hundred an entry).
constexpr std::size_t kBatchEntries = 1024;
constexpr std::size_t kQueuedEntries = 8192;
constexpr std::size_t kQueuedBatches = 1024;
constexpr std::size_t kSpares = 4;
// Entries waiting for the reader before a scan that shares the destination looks takes
// them too (Looks::Shared); fewer, and the reader would soon wait for the scan.
constexpr std::size_t kLooksAhead = 512;

} // namespace

FolderScan::FolderScan(std::vector<Place> folders, std::string mask, Looks looks, bool more_to_come)
    : folders_(std::move(folders)), all_added_(!more_to_come), mask_(std::move(mask)),
      looks_(looks) {
    worker_ = quiet_thread([this] { scan(); });
}

FolderScan::~FolderScan() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    room_.notify_all();
    worker_.join();
}

bool FolderScan::next(std::size_t index, std::vector<Entry>& batch, int& error,
                      std::chrono::milliseconds patience) {
    batch.clear();
    std::unique_lock lock(mutex_);
    for (;;) {
        while (!queue_.empty() && queue_.front().folder < index) {
            queued_entries_ -= queue_.front().entries.size();
            ahead_.store(queued_entries_, std::memory_order_relaxed);
            queue_.pop_front();
            room_.notify_one();
        }
        if (!queue_.empty()) {
            Batch& front = queue_.front();
            if (front.folder > index)
                return false; // this folder's last entries were taken already
            batch.swap(front.entries);
            if (front.entries.capacity() > 0 && spares_.size() < kSpares)
                spares_.push_back(std::move(front.entries));
            const bool more = !front.last;
            if (front.error)
                error = front.error;
            queued_entries_ -= batch.size();
            ahead_.store(queued_entries_, std::memory_order_relaxed);
            queue_.pop_front();
            room_.notify_one();
            return more;
        }
        if (finished_)
            return false;
        if (ready_.wait_for(lock, patience) == std::cv_status::timeout && queue_.empty() &&
            !finished_)
            return true;
    }
}

void FolderScan::add(Place folder) {
    {
        const std::lock_guard lock(mutex_);
        folders_.push_back(std::move(folder));
    }
    room_.notify_all();
}

void FolderScan::added_all() {
    {
        const std::lock_guard lock(mutex_);
        all_added_ = true;
    }
    room_.notify_all();
}

void FolderScan::scan() {
    ::pthread_setname_np(::pthread_self(), "vantorel-scan");
    for (std::size_t i = 0;; ++i) {
        Place place;
        {
            std::unique_lock lock(mutex_);
            room_.wait(lock, [&] { return stopping_ || all_added_ || i < folders_.size(); });
            if (stopping_ || i >= folders_.size())
                break;
            place = folders_[i];
        }
        scan_folder(place, i);
    }
    {
        const std::lock_guard lock(mutex_);
        finished_ = true;
    }
    ready_.notify_all();
}

std::vector<FolderScan::Entry> FolderScan::spare() {
    const std::lock_guard lock(mutex_);
    if (spares_.empty())
        return {};
    std::vector<Entry> room = std::move(spares_.back());
    spares_.pop_back();
    return room;
}

void FolderScan::scan_folder(const Place& place, std::size_t index) {
    Batch batch{index, spare(), false};
    if (place.skip) {
        batch.last = true;
        push(std::move(batch));
        return;
    }
    Directory search(place.top ? sys::open_folder_beneath(place.top.get(), place.sub_path.c_str(),
                                                          O_RDONLY, place.source.c_str())
                               : sys::open_folder(AT_FDCWD, place.source.c_str(), O_RDONLY),
                     place.source);
    // Only a hint: no fault is injected here, and a missing folder has no files yet.
    const int destination = looks_ != Looks::None
                                ? open_long_path(AT_FDCWD, place.destination, O_PATH | O_DIRECTORY)
                                : -1;
    std::string_view name;
    unsigned char type = 0;
    while (search.next(name, type)) {
        // A stopped run waits for this thread; a huge folder must not keep it waiting.
        if (stopping_.load(std::memory_order_relaxed))
            break;
        const bool selected = selects_entry(mask_, name);
        const bool temporary = !selected && masked_as_temporary(mask_, name);
        if (!selected && !temporary && !(place.links_too && may_be_link(type)))
            continue;
        Entry& e = batch.entries.emplace_back();
        e.name.assign(name);
        e.type = type;
        e.outside_mask = !selected;
        e.temporary_name = temporary;
        if (looks_ != Looks::None && selected && type != DT_DIR) {
            e.seen_at = std::chrono::steady_clock::now();
            e.source_seen = true;
            e.source_kind = classify_entry(search.fd(), e.name.c_str(), type, e.source);
        }
        if (destination >= 0 && selected && type != DT_DIR &&
            (looks_ == Looks::Both || ahead_.load(std::memory_order_relaxed) >= kLooksAhead)) {
            e.destination_seen = true;
            e.destination_present =
                ::fstatat(destination, e.name.c_str(), &e.destination, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(e.destination.st_mode);
        }
        if (batch.entries.size() == kBatchEntries) {
            if (!push(std::move(batch)))
                break;
            batch = Batch{index, spare(), false};
        }
    }
    if (destination >= 0)
        ::close(destination);
    batch.last = true;
    if (!stopping_.load(std::memory_order_relaxed))
        batch.error = search.error();
    push(std::move(batch));
}

bool FolderScan::push(Batch&& batch) {
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] {
            return stopping_ ||
                   (queue_.size() < kQueuedBatches && queued_entries_ < kQueuedEntries);
        });
        if (stopping_)
            return false;
        queued_entries_ += batch.entries.size();
        ahead_.store(queued_entries_, std::memory_order_relaxed);
        queue_.push_back(std::move(batch));
    }
    ready_.notify_one();
    return true;
}

} // namespace vt
