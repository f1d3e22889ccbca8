#include "core/trace/trace.h"

namespace pomki::trace {

Trace::Trace(TraceSink& sink) : sink_(sink) { sink_.WriteLine(kHeader); }

void Trace::Write(std::string_view prefix, std::string_view text, std::string_view suffix) {
    line_.assign(static_cast<std::size_t>(depth_) * 2, ' ');
    line_ += prefix;
    line_ += text;
    line_ += suffix;
    sink_.WriteLine(line_);
}

void Trace::Event(std::string_view text) {
    Write("> ", text);
    ++depth_;
}

void Trace::EventDone() { --depth_; }

void Trace::Act(std::string_view call) { Write({}, call); }

void Trace::Answer(std::string_view call, std::string_view answer) {
    line_.assign(static_cast<std::size_t>(depth_) * 2, ' ');
    line_ += call;
    line_ += " = ";
    line_ += answer;
    sink_.WriteLine(line_);
}

void Trace::Begin(std::string_view call) {
    Write({}, call, " {");
    ++depth_;
}

void Trace::End(std::string_view call, std::string_view answer) {
    --depth_;
    if (answer.empty()) {
        Write("} ", call);
    } else {
        line_.assign(static_cast<std::size_t>(depth_) * 2, ' ');
        line_ += "} ";
        line_ += call;
        line_ += " = ";
        line_ += answer;
        sink_.WriteLine(line_);
    }
}

}  // namespace pomki::trace
