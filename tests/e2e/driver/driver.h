// The end-to-end test driver: a Win32 console program that runs beside the pet under Wine,
// finds its windows, reads and works their controls and reports what it sees, one JSON
// object per line, in UTF-8.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// A command line or a request line the driver cannot act on; reported with exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Exit codes of every command.
inline constexpr int kOk = 0;
inline constexpr int kQueryFailed = 1;
inline constexpr int kUsage = 2;

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);

// "--key value" pairs after the command word; "--flag" alone holds "1".
class Args {
public:
    Args(std::wstring command, std::map<std::wstring, std::wstring> named)
        : command_(std::move(command)), named_(std::move(named)) {}

    const std::wstring& Command() const { return command_; }
    bool Has(const wchar_t* key) const { return named_.count(key) != 0; }
    std::wstring Str(const wchar_t* key, const std::wstring& fallback = L"") const;
    std::wstring Required(const wchar_t* key) const;
    // A number: decimal, 0x-hex, or a symbolic name such as WM_CLOSE, IDOK or VK_ESCAPE.
    int64_t Num(const wchar_t* key, int64_t fallback) const;
    int64_t RequiredNum(const wchar_t* key) const;
    HWND Hwnd(const wchar_t* key = L"hwnd") const;

private:
    std::wstring command_;
    std::map<std::wstring, std::wstring> named_;
};

int64_t ParseNumber(const std::wstring& text);

// Where the results of the running command go: stdout, or the file named by --out.
void Emit(const std::string& line);
// Log lines that must be seen at once by a reader of a file or pipe (own-window).
void EmitNow(const std::string& line);

// Builds one JSON object; keys in the order added.
class Json {
public:
    Json& Add(const char* key, const std::wstring& value);
    Json& Add(const char* key, const std::string& value);  // UTF-8 text
    Json& Add(const char* key, const wchar_t* value) { return Add(key, std::wstring(value)); }
    Json& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    Json& Add(const char* key, int64_t value);
    Json& Add(const char* key, int value) { return Add(key, static_cast<int64_t>(value)); }
    Json& Add(const char* key, unsigned value) { return Add(key, static_cast<int64_t>(value)); }
    Json& Add(const char* key, unsigned long value) { return Add(key, static_cast<int64_t>(value)); }
    Json& Add(const char* key, long value) { return Add(key, static_cast<int64_t>(value)); }
    Json& Add(const char* key, bool value);
    Json& Add(const char* key, const RECT& rect);
    Json& Raw(const char* key, const std::string& json);
    std::string Text() const { return text_ + "}"; }

private:
    void Key(const char* key);
    std::string text_ = "{";
};

std::string JsonString(std::wstring_view text);
std::string JsonString(std::string_view utf8);
std::string JsonRect(const RECT& rect);

int64_t HwndNumber(HWND hwnd);

// One command word of the driver.
struct Command {
    const wchar_t* name;
    int (*run)(const Args& args);
    const char* usage;
};

// Memory in another process, freed when this goes out of scope. Messages whose parameters
// point to memory (a tooltip's tool record, WM_DPICHANGED's rectangle) are not copied across
// processes by Wine: the memory must be the receiving process's own.
class RemoteBuffer {
public:
    RemoteBuffer(DWORD pid, size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)) {
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!address_) throw std::runtime_error("cannot allocate memory in another process");
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* Address() const { return static_cast<char*>(address_); }
    void Write(size_t offset, const void* data, size_t n) const {
        SIZE_T done = 0;
        WriteProcessMemory(process_, Address() + offset, data, n, &done);
    }
    void Read(size_t offset, void* data, size_t n) const {
        SIZE_T done = 0;
        ReadProcessMemory(process_, Address() + offset, data, n, &done);
    }

private:
    HANDLE process_;
    void* address_ = nullptr;
};

// The commands of each part of the driver.
std::vector<Command> WindowCommands();
std::vector<Command> ImageCommands();
std::vector<Command> OwnWindowCommands();
std::vector<Command> TrayCommands();
std::vector<Command> PoliteCommands();  // other programs' windows
std::vector<Command> SavingCommands();
std::vector<Command> ScreenCommands();
std::vector<Command> AwayCommands();      // the user away and back: session and power
std::vector<Command> WalkerCommands();    // a window that walks, for measuring what walking costs
std::vector<Command> PlacesCommands();  // the user's folders, and what a bare-name load finds
std::vector<Command> ScaleCommands();  // changes of DPI, and windows followed as they move

}  // namespace e2e
