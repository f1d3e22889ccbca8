// The trace of a run, written to the file that POMKI_TRACE names (core/trace/trace.h says what
// it holds). Without that variable no trace is kept and nothing of this is made.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/trace/trace.h"
#include "win/framework/handles.h"

namespace pomki::win {

class TraceFile final : public trace::TraceSink {
public:
    // The trace file named by POMKI_TRACE, made afresh; nullptr when the variable is not set
    // or the file cannot be made.
    static std::unique_ptr<TraceFile> FromEnvironment();

    // Each line goes to the file at once, so that a killed process leaves every line it wrote.
    void WriteLine(std::string_view line) override;

private:
    explicit TraceFile(UniqueFile file) : file_(std::move(file)) {}
    UniqueFile file_;
    std::string buffer_;
};

}  // namespace pomki::win
