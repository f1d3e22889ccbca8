#include "core/state/save_file.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace pomki {

namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// The table must name every field once, keep the markers where the reader expects them and
// use positive multipliers, or the codec below is wrong.
constexpr bool LineTableIsWellFormed() {
    std::array<int, kSaveFieldCount> uses{};
    int markers = 0;
    for (const SaveLine& line : kSaveLines) {
        if (line.field == kMarkerLine) {
            ++markers;
            continue;
        }
        if (line.field < 0 || line.field >= kSaveFieldCount || line.k <= 0) return false;
        ++uses[static_cast<std::size_t>(line.field)];
    }
    for (int n : uses) {
        if (n != 1) return false;
    }
    return markers == kSaveLineCount - kSaveFieldCount;
}
static_assert(LineTableIsWellFormed());

constexpr bool IsFormatSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the numbers of the file one at a time the way fscanf's "%d" does, refusing what
// fscanf would leave undefined (a number outside 32 bits).
class NumberReader {
public:
    explicit NumberReader(std::string_view text) : text_(text) {}

    std::optional<int32_t> Next() {
        while (pos_ < text_.size() && IsFormatSpace(text_[pos_])) ++pos_;
        bool negative = false;
        if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) {
            negative = text_[pos_] == '-';
            ++pos_;
        }
        if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return std::nullopt;
        // The magnitude is bounded by 2^31 as it grows, so it never overflows 64 bits.
        const int64_t limit = negative ? -kInt32Min : kInt32Max;
        int64_t magnitude = 0;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) {
            magnitude = magnitude * 10 + (text_[pos_] - '0');
            if (magnitude > limit) return std::nullopt;
            ++pos_;
        }
        return static_cast<int32_t>(negative ? -magnitude : magnitude);
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// One body for the const and the mutable lookup.
template <typename Pet>
auto& FieldOf(Pet& pet, int field) {
    if (field < kOnField0) return pet.abilityUnlocked[static_cast<std::size_t>(field - kUnlockedField0)];
    if (field < kLevelField) return pet.abilityOn[static_cast<std::size_t>(field - kOnField0)];
    switch (field) {
        case kLevelField: return pet.level;
        case kExperienceField: return pet.experience;
        case kFullnessField: return pet.fullness;
        case kStressField: return pet.stress;
        case kReservedField: return pet.reserved;
        default: return pet.money;
    }
}

}  // namespace

int32_t& SaveFieldOf(PetState& pet, int field) { return FieldOf(pet, field); }

int32_t SaveFieldOf(const PetState& pet, int field) { return FieldOf(pet, field); }

FieldBounds BoundsOf(const SaveLine& line) {
    // k > 0, so truncating division rounds the (positive) upper quotient down and the
    // (negative) lower quotient up: both stay inside the range.
    const int64_t highest = (kInt32Max - line.d) / line.k;
    const int64_t lowest = (kInt32Min - line.d) / line.k;
    return {static_cast<int32_t>(lowest), static_cast<int32_t>(highest)};
}

std::array<int32_t, kSaveLineCount> EncodeSaveNumbers(const PetState& pet) {
    std::array<int32_t, kSaveLineCount> numbers{};
    for (std::size_t i = 0; i < kSaveLines.size(); ++i) {
        const SaveLine& line = kSaveLines[i];
        if (line.IsMarker()) {
            numbers[i] = line.marker;
            continue;
        }
        const FieldBounds bounds = BoundsOf(line);
        const int64_t value = std::clamp(SaveFieldOf(pet, line.field), bounds.lowest, bounds.highest);
        numbers[i] = static_cast<int32_t>(value * line.k + line.d);
    }
    return numbers;
}

std::string FormatSaveFile(const PetState& pet) {
    std::string text;
    text.reserve(kSaveLineCount * 14);
    char digits[16];
    for (int32_t n : EncodeSaveNumbers(pet)) {
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        text.append(digits, end);
        // The line ending that a text-mode stream makes of "\r\n": two CRs and an LF.
        text.append("\r\r\n");
    }
    return text;
}

std::optional<PetState> ParseSaveFile(std::string_view text) {
    NumberReader reader(text);
    PetState pet;
    for (const SaveLine& line : kSaveLines) {
        const std::optional<int32_t> number = reader.Next();
        if (!number) return std::nullopt;
        if (line.IsMarker()) {
            if (*number != line.marker) return std::nullopt;
            continue;
        }
        const int64_t offset = int64_t{*number} - line.d;
        if (offset % line.k != 0) return std::nullopt;
        SaveFieldOf(pet, line.field) = static_cast<int32_t>(offset / line.k);
    }
    return pet;
}

LoadResult loadPetState(FileStore& files, const std::wstring& path, PetState& pet) {
    return DecodeRead(files.ReadAll(path), pet);
}

LoadResult DecodeRead(const ReadResult& read, PetState& pet) {
    if (read.status == ReadResult::Missing) return LoadResult::NoFile;
    if (read.status == ReadResult::Unreadable) return LoadResult::Unreadable;
    if (read.bytes.size() > kSaveFileMaxBytes) return LoadResult::Rejected;
    const std::optional<PetState> loaded = ParseSaveFile(read.bytes);
    if (!loaded) return LoadResult::Rejected;
    pet = *loaded;
    return LoadResult::Loaded;
}

bool savePetState(FileStore& files, const std::wstring& path, const PetState& pet) {
    return files.ReplaceAtomically(path, FormatSaveFile(pet)).step == WriteReport::Done;
}

WriteResult ResultOf(const WriteReport& report) {
    if (report.step == WriteReport::Done) return WriteResult::Written;
    switch (report.error) {
    case FileError::SharingViolation:
    case FileError::LockViolation: return WriteResult::Busy;
    case FileError::AccessDenied: return report.step == WriteReport::Move ? WriteResult::Busy : WriteResult::Failed;
    case FileError::None:
    case FileError::ReadOnly:
    case FileError::NotFound:
    case FileError::Other: break;
    }
    return WriteResult::Failed;
}

namespace {
constexpr wchar_t FoldedForPaths(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
    return c == L'/' ? L'\\' : c;
}
}  // namespace

bool IsWithinFolder(std::wstring_view path, std::wstring_view folder) {
    if (folder.empty() || path.size() < folder.size()) return false;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (FoldedForPaths(path[i]) != FoldedForPaths(folder[i])) return false;
    }
    return true;
}

std::wstring DataDirectoryOf(std::wstring_view modulePath) {
    const std::size_t separator = modulePath.find_last_of(L"\\/");
    if (separator == std::wstring_view::npos) return {};
    return std::wstring(modulePath.substr(0, separator + 1));
}

std::wstring LongPathForm(std::wstring_view path) {
    if (path.size() < kMaxPath || path.starts_with(L"\\\\?\\")) return std::wstring(path);
    std::wstring literal(path);
    for (wchar_t& c : literal) {
        if (c == L'/') c = L'\\';
    }
    if (literal.size() > 2 && literal[1] == L':' && literal[2] == L'\\') return L"\\\\?\\" + literal;
    if (literal.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + literal.substr(2);
    return std::wstring(path);  // relative: nothing to do but try as it is
}

}  // namespace pomki
