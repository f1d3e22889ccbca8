// Feeds arbitrary bytes to the save-file reader and checks it against a plain reference
// reader built on the C library's strtoll: both must accept the same files and read the same
// record, an accepted record must survive being written and read again, and any record,
// however extreme, must be written as a file that reads back.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/state/save_file.h"

namespace {

using pomki::PetState;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "save file check failed: %s\n", what);
    std::abort();
}

std::vector<int32_t*> Fields(PetState& pet) {
    std::vector<int32_t*> fields;
    for (auto& f : pet.abilityUnlocked) fields.push_back(&f);
    for (auto& f : pet.abilityOn) fields.push_back(&f);
    for (int32_t* f : {&pet.level, &pet.experience, &pet.fullness, &pet.stress, &pet.reserved, &pet.money}) {
        fields.push_back(f);
    }
    return fields;
}

// The reference: fscanf's "%d" is strtoll in base 10 after the same white space, refused when
// it converts nothing or leaves 32 bits.
std::optional<PetState> ReferenceParse(const std::string& text) {
    const char* at = text.c_str();  // stops at an embedded NUL, which no number contains
    PetState pet;
    std::vector<int32_t*> fields = Fields(pet);
    for (const pomki::SaveLine& line : pomki::kSaveLines) {
        char* end = nullptr;
        errno = 0;
        const long long n = std::strtoll(at, &end, 10);
        if (end == at || errno == ERANGE || n < INT32_MIN || n > INT32_MAX) return std::nullopt;
        at = end;
        if (line.field == pomki::kMarkerLine) {
            if (n != line.marker) return std::nullopt;
        } else {
            if ((n - line.d) % line.k != 0) return std::nullopt;
            *fields[static_cast<std::size_t>(line.field)] = static_cast<int32_t>((n - line.d) / line.k);
        }
    }
    return pet;
}

class OneFileStore : public pomki::FileStore {
public:
    explicit OneFileStore(std::string content) : content_(std::move(content)) {}
    std::wstring ProgramFolder() override { return {}; }
    pomki::ReadResult ReadAll(const std::wstring&) override { return {pomki::ReadResult::Read, content_}; }
    pomki::WriteReport ReplaceAtomically(const std::wstring&, std::string_view bytes) override {
        content_ = std::string(bytes);
        return {};
    }
    void RemoveLeftovers(const std::wstring&) override {}
    pomki::WriteReport ProbeReplace(const std::wstring&) override { return {}; }
    std::wstring UserDataFolder() override { return {}; }
    std::wstring TemporaryFolder() override { return {}; }
    pomki::WriteReport Rename(const std::wstring&, const std::wstring&) override { return {}; }

private:
    std::string content_;
};

// Any record is written as a file that reads back; a field that its line cannot hold comes
// back as the nearest value the line can hold.
void CheckWriteOf(const PetState& pet) {
    const std::optional<PetState> read = pomki::ParseSaveFile(pomki::FormatSaveFile(pet));
    if (!read) Fail("a written record does not read back");
    PetState original = pet;
    PetState got = *read;
    const std::vector<int32_t*> before = Fields(original);
    const std::vector<int32_t*> after = Fields(got);
    for (const pomki::SaveLine& line : pomki::kSaveLines) {
        if (line.field == pomki::kMarkerLine) continue;
        const auto f = static_cast<std::size_t>(line.field);
        const int64_t v = *before[f];
        const int64_t w = *after[f];
        const int64_t stored = v * line.k + line.d;
        if (stored >= INT32_MIN && stored <= INT32_MAX) {
            if (w != v) Fail("a value that fits its line changed");
        } else if (stored > INT32_MAX) {
            if (w * line.k + line.d > INT32_MAX || (w + 1) * line.k + line.d <= INT32_MAX) {
                Fail("a large value is not written as the largest its line holds");
            }
        } else if (w * line.k + line.d < INT32_MIN || (w - 1) * line.k + line.d >= INT32_MIN) {
            Fail("a small value is not written as the smallest its line holds");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::optional<PetState> parsed = pomki::ParseSaveFile(text);
    const std::optional<PetState> expected = ReferenceParse(text);
    if (parsed.has_value() != expected.has_value()) Fail("verdict differs from the reference");
    if (parsed && *parsed != *expected) Fail("record differs from the reference");
    if (parsed && pomki::ParseSaveFile(pomki::FormatSaveFile(*parsed)) != parsed) {
        Fail("an accepted record does not survive a write and a read");
    }

    // The load step: the same verdict, and the record untouched unless loaded.
    PetState pet;
    pet.money = 77;
    const PetState untouched = pet;
    OneFileStore store(text);
    const pomki::LoadResult result = pomki::loadPetState(store, L"pomki.dat", pet);
    const bool tooLong = size > pomki::kSaveFileMaxBytes;
    if (result == pomki::LoadResult::Loaded) {
        if (tooLong || !parsed || pet != *parsed) Fail("loaded what the reader refuses");
    } else {
        if (result != pomki::LoadResult::Rejected || (parsed && !tooLong)) Fail("refused a valid file");
        if (pet != untouched) Fail("a refused file changed the record");
    }

    // The bytes as a record of thirty raw numbers.
    if (size >= sizeof(int32_t) * pomki::kSaveFieldCount) {
        PetState raw;
        std::vector<int32_t*> fields = Fields(raw);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::memcpy(fields[i], data + i * sizeof(int32_t), sizeof(int32_t));
        }
        CheckWriteOf(raw);
    }
    return 0;
}
