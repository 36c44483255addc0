#pragma once
// Where the windows and workflows send what an employee did: one call per action. Recording
// never blocks the caller and never fails its action; the real recorder queues the event for
// its background writer.
#include "history/Event.h"

namespace history {

class Recorder {
public:
    virtual ~Recorder() = default;
    // Queues one event; an event without a time gets the current time.
    virtual void record(const Event& event) noexcept = 0;
};

} // namespace history
