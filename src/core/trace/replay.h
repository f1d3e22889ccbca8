// The replay of a trace: the same core, built by Program as the program builds it, runs over
// the trace's events. Every call it makes must be the trace's next call, word for word, and
// what the desktop, the files and the random draws answered comes from the trace. The first
// difference stops the replay with both calls, the line and the tick.
#pragma once

#include <string>
#include <string_view>

namespace pomki::trace {

struct ReplayOutcome {
    bool ok = false;
    std::string message;  // the first difference, or what was replayed
    int events = 0;       // events replayed, nested ones included
    int ticks = 0;        // of them, timer messages of the behaviour timer
    bool cutShort = false;  // the trace ends inside an event (a process killed then)
};

ReplayOutcome Replay(std::string_view traceText);

}  // namespace pomki::trace
