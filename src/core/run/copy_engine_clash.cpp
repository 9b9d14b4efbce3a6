#include "core/run/copy_engine.h"

namespace vt {

// Kept apart from copy_engine.cpp, which holds the run's main path.
CopyEngine::Flow CopyEngine::clash(ListWalk::Folder& walked, const NameClash& clash) {
    ++summary_.failures;
    const std::string text = clash_text(walked.source, clash);
    if (observer_)
        observer_->name_clash(text);
    const Flow told = tell([this, text] {
        journal_.entry(text);
        return true;
    });
    return told == Flow::End || clash.folder ? told : after_entry();
}

} // namespace vt
