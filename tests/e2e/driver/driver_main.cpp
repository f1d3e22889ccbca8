// Entry of the test driver: argument parsing, UTF-8 output, the request loop of "serve" and
// the dispatch of command words.
//
//   e2e_driver.exe <command> [--key value]... [--out FILE] [--desktop NAME]
//   e2e_driver.exe serve        (one request per stdin line: words separated by tabs)
//
// Output is written as raw UTF-8 bytes with WriteFile: the console code page under Wine would
// mangle Japanese text.
#include "driver.h"

#include <cstdio>
#include <cwchar>

namespace e2e {

namespace {

HANDLE g_out = nullptr;  // stdout or the --out file; we own it only when it is a file

struct NamedNumber {
    const wchar_t* name;
    int64_t value;
};

// Symbolic names accepted wherever a number is expected.
constexpr NamedNumber kNamedNumbers[] = {
    {L"WM_NULL", WM_NULL},
    {L"WM_CLOSE", WM_CLOSE},
    {L"WM_QUIT", WM_QUIT},
    {L"WM_COMMAND", WM_COMMAND},
    {L"WM_SYSCOMMAND", WM_SYSCOMMAND},
    {L"WM_KEYDOWN", WM_KEYDOWN},
    {L"WM_KEYUP", WM_KEYUP},
    {L"WM_CHAR", WM_CHAR},
    {L"WM_TIMER", WM_TIMER},
    {L"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
    {L"WM_LBUTTONUP", WM_LBUTTONUP},
    {L"WM_RBUTTONDOWN", WM_RBUTTONDOWN},
    {L"WM_RBUTTONUP", WM_RBUTTONUP},
    {L"WM_QUERYENDSESSION", WM_QUERYENDSESSION},
    {L"WM_ENDSESSION", WM_ENDSESSION},
    {L"WM_SETTEXT", WM_SETTEXT},
    {L"WM_USER", WM_USER},
    {L"WM_TRAY_NOTIFY", WM_USER + 100},
    {L"BM_CLICK", BM_CLICK},
    {L"IDOK", IDOK},
    {L"IDCANCEL", IDCANCEL},
    {L"IDYES", IDYES},
    {L"IDNO", IDNO},
    {L"VK_RETURN", VK_RETURN},
    {L"VK_ESCAPE", VK_ESCAPE},
    {L"SC_CLOSE", SC_CLOSE},
    {L"SC_MINIMIZE", SC_MINIMIZE},
    {L"SC_RESTORE", SC_RESTORE},
    {L"SW_HIDE", SW_HIDE},
    {L"SW_SHOW", SW_SHOW},
    {L"SW_MINIMIZE", SW_MINIMIZE},
    {L"SW_RESTORE", SW_RESTORE},
};

void WriteAll(HANDLE handle, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, p, static_cast<DWORD>(left), &written, nullptr) || written == 0) return;
        p += written;
        left -= written;
    }
}

std::vector<Command> AllCommands();

int RunServe(const Args&);
int RunHelp(const Args&);

std::vector<Command> AllCommands() {
    std::vector<Command> all;
    for (auto part : {WindowCommands, ImageCommands, OwnWindowCommands, TrayCommands, PoliteCommands, SavingCommands,
                      ScreenCommands, AwayCommands, WalkerCommands, PlacesCommands, ScaleCommands}) {
        for (const Command& c : part()) all.push_back(c);
    }
    all.push_back({L"serve", RunServe, "serve: read requests from stdin, one per line, words separated by tabs"});
    all.push_back({L"help", RunHelp, "help: list the commands"});
    return all;
}

int RunHelp(const Args&) {
    for (const Command& c : AllCommands()) Emit(c.usage);
    return kOk;
}

// Switches this thread to another desktop of the window station (a Wine virtual desktop
// started with explorer /desktop=NAME), so that window enumeration sees its windows.
void EnterDesktop(const std::wstring& name) {
    HDESK desk = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
    if (!desk) throw UsageError("cannot open desktop " + Utf8(name));
    if (!SetThreadDesktop(desk)) throw UsageError("cannot switch to desktop " + Utf8(name));
    // The desktop handle must stay open while the thread uses it: it is never closed.
}

Args ParseArgs(const std::vector<std::wstring>& words) {
    if (words.empty()) throw UsageError("no command; try: help");
    std::map<std::wstring, std::wstring> named;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::wstring& w = words[i];
        if (w.size() < 3 || w.compare(0, 2, L"--") != 0) throw UsageError("unexpected word: " + Utf8(w));
        const std::wstring key = w.substr(2);
        if (i + 1 < words.size() && words[i + 1].compare(0, 2, L"--") != 0) {
            named[key] = words[++i];
        } else {
            named[key] = L"1";
        }
    }
    return Args(words[0], std::move(named));
}

// Runs one command with its own output target; returns its exit code.
int Dispatch(const std::vector<std::wstring>& words) {
    HANDLE stdoutHandle = GetStdHandle(STD_OUTPUT_HANDLE);
    g_out = stdoutHandle;
    HANDLE file = INVALID_HANDLE_VALUE;
    int rc = kUsage;
    try {
        const Args args = ParseArgs(words);
        if (args.Has(L"out")) {
            file = CreateFileW(args.Str(L"out").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) throw UsageError("cannot create --out file");
            g_out = file;
        }
        if (args.Has(L"desktop")) EnterDesktop(args.Str(L"desktop"));
        const Command* found = nullptr;
        static const std::vector<Command> commands = AllCommands();
        for (const Command& c : commands) {
            if (args.Command() == c.name) found = &c;
        }
        if (!found) throw UsageError("unknown command: " + Utf8(args.Command()));
        rc = found->run(args);
    } catch (const UsageError& e) {
        Emit(Json().Add("error", std::string(e.what())).Text());
        rc = kUsage;
    } catch (const std::exception& e) {
        Emit(Json().Add("error", std::string(e.what())).Text());
        rc = kQueryFailed;
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    g_out = stdoutHandle;
    return rc;
}

// Request loop: each line of stdin is one command (words separated by tabs, UTF-8). After the
// command's output comes the line "\x1e<exit code>", which no JSON line can start with.
int RunServe(const Args&) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    for (;;) {
        size_t newline;
        while ((newline = pending.find('\n')) == std::string::npos) {
            DWORD got = 0;
            if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0) return kOk;
            pending.append(buffer, got);
        }
        std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::wstring> words;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            words.push_back(Wide(std::string_view(line).substr(start, tab - start)));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (words[0] == L"exit") return kOk;
        if (words[0] == L"serve") {
            Emit(Json().Add("error", "serve cannot be nested").Text());
            WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), "\x1e" "2\n");
            continue;
        }
        const int rc = Dispatch(words);
        WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), "\x1e" + std::to_string(rc) + "\n");
    }
}

}  // namespace

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

int64_t ParseNumber(const std::wstring& text) {
    for (const NamedNumber& n : kNamedNumbers) {
        if (text == n.name) return n.value;
    }
    if (text.empty()) throw UsageError("empty number");
    wchar_t* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    const long long value = hex ? static_cast<long long>(wcstoull(text.c_str() + 2, &end, 16)) : wcstoll(text.c_str(), &end, 10);
    if (!end || *end != L'\0') throw UsageError("not a number: " + Utf8(text));
    return value;
}

std::wstring Args::Str(const wchar_t* key, const std::wstring& fallback) const {
    const auto it = named_.find(key);
    return it == named_.end() ? fallback : it->second;
}

std::wstring Args::Required(const wchar_t* key) const {
    const auto it = named_.find(key);
    if (it == named_.end()) throw UsageError("missing --" + Utf8(key));
    return it->second;
}

int64_t Args::Num(const wchar_t* key, int64_t fallback) const {
    const auto it = named_.find(key);
    return it == named_.end() ? fallback : ParseNumber(it->second);
}

int64_t Args::RequiredNum(const wchar_t* key) const { return ParseNumber(Required(key)); }

HWND Args::Hwnd(const wchar_t* key) const {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(RequiredNum(key)));
}

int64_t HwndNumber(HWND hwnd) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(hwnd)); }

void Emit(const std::string& line) { WriteAll(g_out, line + "\n"); }

void EmitNow(const std::string& line) {
    WriteAll(g_out, line + "\n");
    FlushFileBuffers(g_out);
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string JsonString(std::wstring_view text) { return JsonString(std::string_view(Utf8(text))); }

std::string JsonRect(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "]";
}

void Json::Key(const char* key) {
    if (text_.size() > 1) text_ += ",";
    text_ += JsonString(std::string_view(key)) + ":";
}

Json& Json::Add(const char* key, const std::wstring& value) {
    Key(key);
    text_ += JsonString(std::wstring_view(value));
    return *this;
}

Json& Json::Add(const char* key, const std::string& value) {
    Key(key);
    text_ += JsonString(std::string_view(value));
    return *this;
}

Json& Json::Add(const char* key, int64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

Json& Json::Add(const char* key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
    return *this;
}

Json& Json::Add(const char* key, const RECT& rect) {
    Key(key);
    text_ += JsonRect(rect);
    return *this;
}

Json& Json::Raw(const char* key, const std::string& json) {
    Key(key);
    text_ += json;
    return *this;
}

}  // namespace e2e

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> words(argv + 1, argv + argc);
    return e2e::Dispatch(words);
}
