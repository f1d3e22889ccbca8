// The program's trace: every call across the core's ports and every event handed to the
// core, one line each, in the order they happen. Off unless the program is asked for it
// (POMKI_TRACE=<file>); then decorators around the ports write it (core/trace/tracing.h).
//
// A line is one of:
//
//   > pet.Timer 1 @1267310          an event handed to the core: its target (pet, care, food),
//                                    its name and its arguments. A timer message carries the
//                                    timer id and, after @, the message's time (the system's
//                                    tick count in ms).
//   win.PlacePet NoTopMost 16,40     a call the core made on a port, with its arguments: the
//                                    pet window (win), the desktop (desk), the random source
//                                    (rand), the care menu's and the food menu's windows (care,
//                                    food), the file store (file) and the keeper's clock (clock)
//   desk.ForegroundWindow = 0x10034  ... and, after " = ", what it answered
//   desk.ShowMessageBox "むー！" "むぅー！" {
//   } desk.ShowMessageBox               a call that runs a modal loop: the events handled inside it
//                                    come between its two lines; its answer is on the second
//
// Calls and events inside an event or a modal call are indented two spaces deeper; the
// indentation is for people and means nothing to a reader. A call that acts is written before
// it is made and a call that answers once it has answered, each line at once: a trace cut short
// by a killed process holds every act the process began. Lines starting with '#' are comments.
//
// Values: numbers in decimal; window references in hex (0x0 for none); rectangles as
// left,top,right,bottom and points as x,y (screen pixels); texts and file contents in double
// quotes (UTF-8, with \" \\ \n \r \t and \xHH escapes); flags as 1 or 0; key=value where a
// call answers with several facts.
#pragma once

#include <string>
#include <string_view>

namespace pomki::trace {

// Where the lines go. Each line is handed over whole, without its line end, and must be
// written out before the call returns.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void WriteLine(std::string_view line) = 0;
};

inline constexpr std::string_view kHeader = "# pomki trace 1";

// Writes the lines, indented by how deep in events and modal calls they are.
class Trace {
public:
    explicit Trace(TraceSink& sink);

    void Event(std::string_view text);  // "> text"; the lines until the event returns go deeper
    void EventDone();
    void Act(std::string_view call);                            // before the act
    void Answer(std::string_view call, std::string_view answer);  // once it has answered
    void Begin(std::string_view call);                          // "call {"
    void End(std::string_view call, std::string_view answer = {});  // "} call = answer"

private:
    void Write(std::string_view prefix, std::string_view text, std::string_view suffix = {});

    TraceSink& sink_;
    int depth_ = 0;
    std::string line_;
};

}  // namespace pomki::trace
