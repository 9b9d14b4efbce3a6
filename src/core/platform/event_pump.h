#pragma once

namespace vt {

// Called by long-running work between units of work: the GUI processes pending
// events there (that is how "Stop Copy" gets through); the headless run checks its
// interrupt flag.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void pump() = 0;
    // Called while the work waits for something slow rather than between units.
    virtual void wait_pump() { pump(); }
};

class NullPump final : public EventPump {
public:
    void pump() override {}
};

} // namespace vt
