// The words of a trace line: how each kind of value is written, and read back. Plain text a
// person can read: numbers in decimal, window references in hex, rectangles as "l,t,r,b",
// points as "x,y", texts in double quotes (UTF-8, with \" \\ \n \r \t and \xHH escapes).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/geometry.h"

namespace pomki::trace {

// A line, or a value in it, that is not what its reader expects.
struct FormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Builds the words of one line, separated by single spaces.
class Words {
public:
    Words& Word(std::string_view word);  // written as it is
    Words& Int(int64_t value);
    Words& Real(double value);           // the shortest text that reads back as the same number
    Words& Hex(uint64_t value);          // 0x..., for window references
    Words& Bool(bool value);             // 1 or 0
    Words& Text(std::wstring_view text);  // quoted, UTF-8
    Words& Bytes(std::string_view bytes);  // quoted, every byte outside printable ASCII escaped
    Words& Rect(const pomki::Rect& r);
    Words& Point(const pomki::Point& p);
    // "key=": the next value follows it without a space.
    Words& Key(std::string_view key);

    const std::string& str() const { return text_; }

private:
    void Space();
    std::string text_;
    bool glued_ = false;  // the next value follows a key
};

// Reads the words of one line back, in order.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool AtEnd();
    // The next word up to a space (a quoted text is one word with its quotes).
    std::string_view Word();
    void Expect(std::string_view word);
    int64_t Int();
    double Real();
    uint64_t Hex();
    bool Bool();
    std::wstring Text();
    std::string Bytes();
    pomki::Rect Rect();
    pomki::Point Point();
    // "key=" and leaves the value to be read next.
    void Key(std::string_view key);
    std::string_view Rest();

private:
    void SkipSpaces();
    std::string_view text_;
    std::size_t pos_ = 0;
};

// UTF-16 text as UTF-8, and back (a lone surrogate is kept as the three bytes that encode it).
std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);

}  // namespace pomki::trace
