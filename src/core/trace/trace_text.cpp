#include "core/trace/trace_text.h"

#include <charconv>
#include <cstdio>

namespace pomki::trace {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsPrintable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

void AppendEscaped(std::string& out, std::string_view bytes, bool keepUtf8) {
    out += '"';
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (IsPrintable(c) || (keepUtf8 && c >= 0x80)) {
                out += ch;
            } else {
                out += "\\x";
                out += kHexDigits[c >> 4];
                out += kHexDigits[c & 0xF];
            }
        }
    }
    out += '"';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Unescape(std::string_view quoted) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
        throw FormatError("not a quoted text: " + std::string(quoted));
    }
    std::string out;
    const std::string_view body = quoted.substr(1, quoted.size() - 2);
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\') {
            out += body[i];
            continue;
        }
        if (++i >= body.size()) throw FormatError("a text ends in a lone backslash");
        switch (body[i]) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
            const int high = i + 2 < body.size() ? HexValue(body[i + 1]) : -1;
            const int low = i + 2 < body.size() ? HexValue(body[i + 2]) : -1;
            if (high < 0 || low < 0) throw FormatError("a bad \\x escape in a text");
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: throw FormatError(std::string("an unknown escape \\") + body[i] + " in a text");
        }
    }
    return out;
}

}  // namespace

std::string Utf8(std::wstring_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]) & 0xFFFF;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            const uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring Wide(std::string_view utf8) {
    std::wstring out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > utf8.size()) throw FormatError("a text that is not UTF-8");
        uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) throw FormatError("a text that is not UTF-8");
            code = (code << 6) | (next & 0x3F);
        }
        i += static_cast<std::size_t>(length);
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (code >> 10));
            out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<wchar_t>(code);
        }
    }
    return out;
}

// ---- Words ----

void Words::Space() {
    if (glued_) {
        glued_ = false;
        return;
    }
    if (!text_.empty()) text_ += ' ';
}

Words& Words::Word(std::string_view word) {
    Space();
    text_ += word;
    return *this;
}

Words& Words::Int(int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return Word(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

Words& Words::Real(double value) {
    char digits[40];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return Word(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

Words& Words::Hex(uint64_t value) {
    char digits[24] = {'0', 'x'};
    const auto end = std::to_chars(digits + 2, digits + sizeof digits, value, 16).ptr;
    return Word(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

Words& Words::Bool(bool value) { return Word(value ? "1" : "0"); }

Words& Words::Text(std::wstring_view text) {
    Space();
    AppendEscaped(text_, Utf8(text), true);
    return *this;
}

Words& Words::Bytes(std::string_view bytes) {
    Space();
    AppendEscaped(text_, bytes, false);
    return *this;
}

Words& Words::Rect(const pomki::Rect& r) {
    Space();
    text_ += std::to_string(r.left) + ',' + std::to_string(r.top) + ',' + std::to_string(r.right) + ',' +
             std::to_string(r.bottom);
    return *this;
}

Words& Words::Point(const pomki::Point& p) {
    Space();
    text_ += std::to_string(p.x) + ',' + std::to_string(p.y);
    return *this;
}

Words& Words::Key(std::string_view key) {
    Space();
    text_ += key;
    text_ += '=';
    glued_ = true;
    return *this;
}

// ---- Reader ----

void Reader::SkipSpaces() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
}

bool Reader::AtEnd() {
    SkipSpaces();
    return pos_ >= text_.size();
}

std::string_view Reader::Word() {
    SkipSpaces();
    if (pos_ >= text_.size()) throw FormatError("the line ends where a value was expected: " + std::string(text_));
    const std::size_t start = pos_;
    if (text_[pos_] == '"') {
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"') pos_ += text_[pos_] == '\\' ? 2 : 1;
        if (pos_ >= text_.size()) throw FormatError("a text without its closing quote: " + std::string(text_));
        ++pos_;
    } else {
        while (pos_ < text_.size() && text_[pos_] != ' ') ++pos_;
    }
    return text_.substr(start, pos_ - start);
}

void Reader::Expect(std::string_view word) {
    const std::string_view got = Word();
    if (got != word) throw FormatError("expected " + std::string(word) + ", found " + std::string(got));
}

namespace {
int64_t ParseInt(std::string_view word) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) throw FormatError("not a number: " + std::string(word));
    return value;
}
}  // namespace

int64_t Reader::Int() { return ParseInt(Word()); }

double Reader::Real() {
    const std::string_view word = Word();
    double value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) throw FormatError("not a number: " + std::string(word));
    return value;
}

uint64_t Reader::Hex() {
    const std::string_view word = Word();
    uint64_t value = 0;
    if (!word.starts_with("0x")) throw FormatError("not a window reference: " + std::string(word));
    const auto [end, error] = std::from_chars(word.data() + 2, word.data() + word.size(), value, 16);
    if (error != std::errc() || end != word.data() + word.size()) throw FormatError("not a window reference: " + std::string(word));
    return value;
}

bool Reader::Bool() {
    const std::string_view word = Word();
    if (word == "1") return true;
    if (word == "0") return false;
    throw FormatError("not 0 or 1: " + std::string(word));
}

std::wstring Reader::Text() { return Wide(Unescape(Word())); }

std::string Reader::Bytes() { return Unescape(Word()); }

pomki::Rect Reader::Rect() {
    const std::string_view word = Word();
    int64_t v[4] = {};
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = k < 3 ? word.find(',', start) : word.size();
        if (comma == std::string_view::npos) throw FormatError("not a rectangle: " + std::string(word));
        v[k] = ParseInt(word.substr(start, comma - start));
        start = comma + 1;
    }
    return pomki::Rect{static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]),
                       static_cast<int32_t>(v[3])};
}

pomki::Point Reader::Point() {
    const std::string_view word = Word();
    const std::size_t comma = word.find(',');
    if (comma == std::string_view::npos) throw FormatError("not a point: " + std::string(word));
    return pomki::Point{static_cast<int32_t>(ParseInt(word.substr(0, comma))),
                        static_cast<int32_t>(ParseInt(word.substr(comma + 1)))};
}

void Reader::Key(std::string_view key) {
    SkipSpaces();
    const std::string prefix = std::string(key) + "=";
    if (text_.substr(pos_, prefix.size()) != prefix) {
        throw FormatError("expected " + prefix + " at: " + std::string(text_.substr(pos_)));
    }
    pos_ += prefix.size();
}

std::string_view Reader::Rest() {
    SkipSpaces();
    const std::string_view rest = text_.substr(pos_);
    pos_ = text_.size();
    return rest;
}

}  // namespace pomki::trace
