#include "win/app/trace_file.h"

namespace pomki::win {

std::unique_ptr<TraceFile> TraceFile::FromEnvironment() {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableW(L"POMKI_TRACE", path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path)) return nullptr;
    UniqueFile file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return nullptr;
    return std::unique_ptr<TraceFile>(new TraceFile(std::move(file)));
}

void TraceFile::WriteLine(std::string_view line) {
    buffer_.assign(line);
    buffer_ += '\n';
    DWORD written = 0;
    WriteFile(file_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr);
}

}  // namespace pomki::win
