// The trace's answers that the replay reads back: what the desktop said about the monitors and
// about a window comes back as it was written, and an answer missing a fact is refused.
#include <gtest/gtest.h>

#include <vector>

#include "core/trace/calls.h"

namespace pomki {
namespace {

TEST(TraceAnswers, MonitorsReadBackAsWritten) {
    const std::vector<std::vector<Monitor>> cases{
        {},
        {{Rect{0, 0, 1024, 768}, 96}},
        {{Rect{0, 0, 1024, 768}, 144}, {Rect{1024, 0, 1824, 600}, 192}, {Rect{-1280, -200, 0, 824}, 120}},
    };
    for (const std::vector<Monitor>& monitors : cases) {
        const std::string written = trace::Answer(monitors);
        SCOPED_TRACE(written);
        EXPECT_EQ(trace::ReadMonitors(written), monitors);
    }
    EXPECT_EQ(trace::Answer(cases[2]), "0,0,1024,768 dpi=144 1024,0,1824,600 dpi=192 -1280,-200,0,824 dpi=120");
    EXPECT_THROW(trace::ReadMonitors("0,0,1024,768"), trace::FormatError);
}

TEST(TraceAnswers, AWindowsFactsReadBackWithWhetherItHasACaptionOrFrame) {
    for (const bool framed : {false, true}) {
        WindowFacts facts;
        facts.className = L"Notepad";
        facts.hung = true;
        facts.rect = Rect{-8, -8, 1032, 776};
        facts.monitor = Rect{0, 0, 1024, 768};
        facts.framed = framed;
        const std::string written = trace::Answer(facts);
        SCOPED_TRACE(written);
        EXPECT_EQ(trace::ReadFacts(written), facts);
    }
    // A trace written before the fact was told has no "framed": it cannot be replayed.
    EXPECT_THROW(trace::ReadFacts("class=\"A\" shell=0 tool=0 cloaked=0 own=0 hung=0 rect=0,0,1,1 monitor=0,0,1,1"),
                 trace::FormatError);
}

}  // namespace
}  // namespace pomki
