#pragma once
#include <string>

namespace vt {

class AnsweredPrompter;
class CopyInputs;
class Prompter;
class RunObserver;

// What a click of "Copy Now" or "Check Backup" shows before anything starts: a list
// without lines has nothing to do, and the list's message (plug in the backup disk,
// say) is to be confirmed. False: the click ends here.
bool confirm_start(const CopyInputs& inputs, Prompter& prompter);

// While a box of a run waits, the observer knows the time is the person's, not the run's.
void tell_boxes(AnsweredPrompter& prompter, RunObserver* observer);

} // namespace vt
