// pomki_replay TRACE [--complete]: runs the program's core over a trace that the exe wrote
// (POMKI_TRACE=<file>) and checks that it makes every call of the trace, in order, word for
// word. Prints what it replayed or the first difference; exits 0 when they agree. With
// --complete, a trace that ends inside an event (a process killed then) is a failure too.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "core/trace/replay.h"

int main(int argc, char** argv) {
    const char* path = nullptr;
    bool complete = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--complete") == 0) {
            complete = true;
        } else if (!path) {
            path = argv[i];
        } else {
            path = nullptr;
            break;
        }
    }
    if (!path) {
        std::fprintf(stderr, "usage: pomki_replay TRACE [--complete]\n");
        return 2;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "pomki_replay: cannot read %s\n", path);
        return 2;
    }
    std::ostringstream text;
    text << file.rdbuf();
    const pomki::trace::ReplayOutcome outcome = pomki::trace::Replay(text.str());
    const bool ok = outcome.ok && !(complete && outcome.cutShort);
    std::printf("%s: %d events, %d ticks replayed: %s\n", path, outcome.events, outcome.ticks, outcome.message.c_str());
    return ok ? 0 : 1;
}
