#include "core/state/save_file.h"

#include "memory_file_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pomki {
namespace {

// The line table of the file format, written out here on its own as the reference the codec
// is checked against. field: index in record order (0..11 unlocked, 12..23 on, 24 level,
// 25 experience, 26 fullness, 27 stress, 28 reserved, 29 money), -1 on a marker line.
// firstRun: the number that the file of a new pet holds on that line.
struct Row {
    int line;
    int32_t marker;
    int field;
    int64_t k;
    int64_t d;
    int32_t firstRun;
};
constexpr int M = -1;
const std::vector<Row> kRows = {
    {1, 31306, M, 0, 0, 31306},  {2, 5592, M, 0, 0, 5592},    {3, 0, 0, 19, 2, 2},
    {4, 0, 1, 62, 27, 27},       {5, 0, 2, 21, 99, 99},       {6, 0, 3, 54, 232, 232},
    {7, 0, 4, 23, 132, 132},     {8, 450, M, 0, 0, 450},      {9, 0, 5, 54, 232, 232},
    {10, 0, 6, 23, 132, 132},    {11, 0, 7, 19, 2, 2},        {12, 0, 8, 62, 27, 27},
    {13, 0, 9, 21, 99, 99},      {14, 2, M, 0, 0, 2},         {15, 0, 10, 23, 132, 132},
    {16, 0, 11, 19, 2, 2},       {17, 44, M, 0, 0, 44},       {18, 0, 12, 23, 132, 132},
    {19, 0, 13, 19, 2, 2},       {20, 0, 14, 62, 27, 27},     {21, 0, 15, 21, 99, 99},
    {22, 0, 16, 54, 232, 232},   {23, 0, 17, 23, 132, 132},   {24, 105, M, 0, 0, 105},
    {25, 0, 18, 54, 232, 232},   {26, 0, 19, 23, 132, 132},   {27, 1111, M, 0, 0, 1111},
    {28, 0, 20, 62, 27, 27},     {29, 0, 21, 21, 99, 99},     {30, 0, 22, 54, 232, 232},
    {31, 0, 23, 23, 132, 132},   {32, 1200, M, 0, 0, 1200},   {33, 0, 24, 54, 232, 286},
    {34, 0, 25, 23, 132, 132},   {35, 0, 26, 19, 2, 9502},    {36, 0, 27, 62, 27, 27},
    {37, 0, 28, 21, 99, 99},     {38, 0, 29, 54, 232, 232},   {39, 12230, M, 0, 0, 12230},
    {40, 5500, M, 0, 0, 5500},
};

// The record's fields in record order, named one by one rather than through the codec.
std::vector<int32_t*> Fields(PetState& pet) {
    std::vector<int32_t*> fields;
    for (auto& f : pet.abilityUnlocked) fields.push_back(&f);
    for (auto& f : pet.abilityOn) fields.push_back(&f);
    for (int32_t* f : {&pet.level, &pet.experience, &pet.fullness, &pet.stress, &pet.reserved, &pet.money}) {
        fields.push_back(f);
    }
    return fields;
}

std::vector<int64_t> ExpectedNumbers(PetState pet) {
    std::vector<int32_t*> fields = Fields(pet);
    std::vector<int64_t> numbers;
    for (const Row& row : kRows) {
        numbers.push_back(row.field == M ? row.marker : *fields[row.field] * row.k + row.d);
    }
    return numbers;
}

std::string Join(const std::vector<int64_t>& numbers, const std::string& ending) {
    std::string text;
    for (int64_t n : numbers) text += std::to_string(n) + ending;
    return text;
}

std::vector<int64_t> FirstRunColumn() {
    std::vector<int64_t> column;
    for (const Row& row : kRows) column.push_back(row.firstRun);
    return column;
}

// A pet whose every field differs from the others, some of them negative.
PetState DistinctPet() {
    PetState pet;
    int32_t value = -7;
    for (int32_t* f : Fields(pet)) {
        *f = value;
        value = value * -3 + 11;
        if (value > 5'000'000 || value < -5'000'000) value %= 1'000;
    }
    return pet;
}

using testing::MemoryFileStore;

const std::wstring kPath = L"C:\\pet\\pomki.dat";

TEST(SaveFileTest, LineTableMatchesTheFormat) {
    ASSERT_EQ(kRows.size(), kSaveLines.size());
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.line);
        const SaveLine& line = kSaveLines[row.line - 1];
        if (row.field == M) {
            EXPECT_TRUE(line.IsMarker());
            EXPECT_EQ(line.marker, row.marker);
        } else {
            EXPECT_EQ(line.field, row.field);
            EXPECT_EQ(line.k, row.k);
            EXPECT_EQ(line.d, row.d);
        }
    }
}

TEST(SaveFileTest, FirstRunFileIsExactlyTheFortyNumbersWithTwoCarriageReturns) {
    // The reference column agrees with the rows applied to the first-run values.
    ASSERT_EQ(FirstRunColumn(), ExpectedNumbers(PetState{}));
    const std::string expected = Join(FirstRunColumn(), "\x0D\x0D\x0A");

    EXPECT_EQ(FormatSaveFile(PetState{}), expected);

    MemoryFileStore store;
    ASSERT_TRUE(savePetState(store, kPath, PetState{}));
    EXPECT_EQ(store.files.at(kPath), expected);
}

TEST(SaveFileTest, EveryFieldIsWrittenOnItsOwnLine) {
    const PetState pet = DistinctPet();
    const std::array<int32_t, kSaveLineCount> numbers = EncodeSaveNumbers(pet);
    const std::vector<int64_t> expected = ExpectedNumbers(pet);
    ASSERT_EQ(expected.size(), numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        EXPECT_EQ(numbers[i], expected[i]) << "line " << i + 1;
    }
    EXPECT_EQ(FormatSaveFile(pet), Join(expected, "\r\r\n"));
}

TEST(SaveFileTest, RecordsSurviveASaveAndALoad) {
    PetState grown;
    grown.abilityUnlocked.fill(1);
    grown.abilityOn.fill(1);
    grown.level = 600;
    grown.experience = 99;
    grown.fullness = 2000;
    grown.stress = 500;
    grown.reserved = 7;
    grown.money = 123'456;

    PetState odd;  // values outside their usual ranges, still stored faithfully
    odd.abilityOn[Clock] = 2;
    odd.abilityUnlocked[BellyLimitBreak] = -1;
    odd.fullness = -500;
    odd.stress = -1;
    odd.reserved = -123'456;
    odd.experience = -99;

    PetState rich;
    rich.money = kMoneyMax;
    rich.level = kLevelMax;

    for (const PetState& pet : {PetState{}, grown, odd, rich, DistinctPet()}) {
        EXPECT_EQ(ParseSaveFile(FormatSaveFile(pet)), pet);

        MemoryFileStore store;
        ASSERT_TRUE(savePetState(store, kPath, pet));
        PetState loaded;
        EXPECT_EQ(loadPetState(store, kPath, loaded), LoadResult::Loaded);
        EXPECT_EQ(loaded, pet);
    }
}

TEST(SaveFileTest, AcceptsWhatFscanfReadsAsTheSameNumbers) {
    const PetState pet = DistinctPet();
    const std::vector<int64_t> numbers = ExpectedNumbers(pet);
    const std::string written = FormatSaveFile(pet);
    struct Case {
        const char* name;
        std::string text;
    };
    std::string withPlusAndZeros;
    for (int64_t n : numbers) withPlusAndZeros += (n < 0 ? "-000" : "+000") + std::to_string(n < 0 ? -n : n) + "\n";
    const Case cases[] = {
        {"LF", Join(numbers, "\n")},
        {"CRLF", Join(numbers, "\r\n")},
        {"all white space", " \t\v\f\r\n" + Join(numbers, " \t\v\f\r\n")},
        {"one line", Join(numbers, " ")},
        {"plus signs and leading zeros", withPlusAndZeros},
        {"numbers after the fortieth", written + "1\r\r\n2\r\r\n3\r\r\n"},
        {"junk after the fortieth", written + "not a number \x01\xff"},
        {"letters right after the fortieth", Join(numbers, "\n") + "abc"},
        {"fortieth glued to a dash", Join(numbers, "\n") + "-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSaveFile(c.text), pet) << c.name;
    }
}

TEST(SaveFileTest, ChangedMarkersAreRejected) {
    for (const Row& row : kRows) {
        if (row.field != M) continue;
        for (int64_t delta : {-1, 1, 1000}) {
            std::vector<int64_t> numbers = FirstRunColumn();
            numbers[row.line - 1] += delta;
            EXPECT_EQ(ParseSaveFile(Join(numbers, "\r\r\n")), std::nullopt)
                << "line " << row.line << " changed by " << delta;
        }
    }
}

TEST(SaveFileTest, FieldLinesDecodeOnlyWhenChangedByMultiplesOfTheirK) {
    const PetState base = DistinctPet();
    for (const Row& row : kRows) {
        if (row.field == M) continue;
        SCOPED_TRACE(row.line);
        for (int64_t delta : {int64_t{1}, int64_t{-1}, row.k - 1, row.k + 1, 2 * row.k - 1}) {
            std::vector<int64_t> numbers = ExpectedNumbers(base);
            numbers[row.line - 1] += delta;
            EXPECT_EQ(ParseSaveFile(Join(numbers, "\r\r\n")), std::nullopt) << "changed by " << delta;
        }
        for (int64_t steps : {1, -1, 3}) {
            std::vector<int64_t> numbers = ExpectedNumbers(base);
            numbers[row.line - 1] += steps * row.k;
            PetState shifted = base;
            *Fields(shifted)[row.field] += static_cast<int32_t>(steps);
            EXPECT_EQ(ParseSaveFile(Join(numbers, "\r\r\n")), shifted) << "changed by " << steps << " k";
        }
    }
}

TEST(SaveFileTest, ExamplesOfHandEditedFiles) {
    std::vector<int64_t> numbers = FirstRunColumn();
    numbers[3 - 1] = 21;  // 1 × 19 + 2
    PetState unlocked;
    unlocked.abilityUnlocked[CursorLead] = 1;
    EXPECT_EQ(ParseSaveFile(Join(numbers, "\r\r\n")), unlocked);

    numbers = FirstRunColumn();
    numbers[36 - 1] = -35;  // -1 × 62 + 27: a negative value that decodes is accepted
    PetState calm;
    calm.stress = -1;
    EXPECT_EQ(ParseSaveFile(Join(numbers, "\r\r\n")), calm);
}

TEST(SaveFileTest, MalformedFilesAreRejected) {
    const std::vector<int64_t> good = FirstRunColumn();
    const std::vector<int64_t> first39(good.begin(), good.end() - 1);
    // Replaces line `line` of the first-run file with `text`.
    auto withLine = [&](int line, const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < good.size(); ++i) {
            out += (static_cast<int>(i) + 1 == line ? text : std::to_string(good[i])) + "\r\n";
        }
        return out;
    };
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"only white space", " \r\n\t\r\n"},
        {"39 numbers", Join(first39, "\r\r\n")},
        {"39 numbers and junk", Join(first39, "\r\r\n") + "x"},
        {"text", "this is not a save file"},
        {"binary", std::string("\x00\x01\x02\xff", 4)},
        {"NUL between numbers", std::string("31306\0", 6) + Join({good.begin() + 1, good.end()}, "\n")},
        {"lone minus", withLine(5, "-")},
        {"lone plus", withLine(5, "+")},
        {"sign then space", withLine(5, "- 99")},
        {"two signs", withLine(5, "+-99")},
        {"digits then letters mid-file", withLine(5, "99abc")},
        {"decimal point", withLine(5, "99.0")},
        {"hexadecimal", withLine(1, "0x7a4a")},
        {"just above 32 bits", withLine(3, "2147483648")},
        {"just below 32 bits", withLine(3, "-2147483649")},
        {"marker plus 2^32", withLine(1, std::to_string(int64_t{31306} + (int64_t{1} << 32)))},
        {"marker minus 2^32", withLine(1, std::to_string(int64_t{31306} - (int64_t{1} << 32)))},
        {"field plus 2^32", withLine(35, std::to_string(int64_t{9502} + (int64_t{1} << 32)))},
        {"twenty digits", withLine(38, "99999999999999999999")},
        {"full-width digits", withLine(2, "\xef\xbc\x95\xef\xbc\x95\xef\xbc\x99\xef\xbc\x92")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSaveFile(c.text), std::nullopt) << c.name;
    }
    // The 32-bit extremes themselves are numbers, and long runs of zeros are no overflow.
    PetState atTheEdges;
    atTheEdges.abilityUnlocked[0] = 113'025'455;  // 2147483647 = 113025455 × 19 + 2
    atTheEdges.abilityUnlocked[3] = -39'768'220;  // -2147483648 = -39768220 × 54 + 232
    std::string edges = withLine(3, "2147483647");
    edges.replace(edges.find("\r\n232\r\n") + 2, 3, "-2147483648");
    EXPECT_EQ(ParseSaveFile(edges), atTheEdges);
    EXPECT_EQ(ParseSaveFile(withLine(3, "000000000000000000000000002")), PetState{});
}

TEST(SaveFileTest, LoadChangesTheRecordOnlyWhenLoaded) {
    PetState before = DistinctPet();
    struct Case {
        const char* name;
        std::optional<std::string> file;
        LoadResult result;
    };
    PetState saved;
    saved.level = 42;
    saved.money = 9'000;
    const std::string valid = FormatSaveFile(saved);
    std::string oversized = valid + std::string(kSaveFileMaxBytes, ' ');
    const Case cases[] = {
        {"no file", std::nullopt, LoadResult::NoFile},
        {"empty", std::string(), LoadResult::Rejected},
        {"first run, LF", Join(FirstRunColumn(), "\n"), LoadResult::Loaded},
        {"tampered", "31307" + Join(FirstRunColumn(), "\n").substr(5), LoadResult::Rejected},
        {"39 numbers then junk", valid.substr(0, valid.rfind("5500")) + "junk", LoadResult::Rejected},
        {"more than a save file can be", oversized, LoadResult::Rejected},
        {"valid", valid, LoadResult::Loaded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileStore store;
        if (c.file) store.files[kPath] = *c.file;
        PetState pet = before;
        EXPECT_EQ(loadPetState(store, kPath, pet), c.result);
        if (c.result == LoadResult::Loaded) {
            EXPECT_EQ(pet, ParseSaveFile(*c.file));
        } else {
            EXPECT_EQ(pet, before);
        }
    }
}

TEST(SaveFileTest, FailedSaveReportsFailure) {
    MemoryFileStore store;
    store.files[kPath] = "previous";
    store.failWrites = true;
    EXPECT_FALSE(savePetState(store, kPath, DistinctPet()));
    EXPECT_EQ(store.files.at(kPath), "previous");

    store.failWrites = false;
    EXPECT_TRUE(savePetState(store, kPath, DistinctPet()));
    EXPECT_EQ(store.files.at(kPath), FormatSaveFile(DistinctPet()));
}

TEST(SaveFileTest, MoneyAndLevelAreWrittenAtMostAtTheLargestTheFileHolds) {
    PetState pet;
    pet.money = INT32_MAX;
    pet.level = kMoneyMax + 1;
    const std::array<int32_t, kSaveLineCount> numbers = EncodeSaveNumbers(pet);
    EXPECT_EQ(numbers[38 - 1], 2'147'483'626);  // 39,768,211 × 54 + 232
    EXPECT_EQ(numbers[33 - 1], 2'147'483'626);
    const std::optional<PetState> read = ParseSaveFile(FormatSaveFile(pet));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->money, kMoneyMax);
    EXPECT_EQ(read->level, kMoneyMax);
}

TEST(SaveFileTest, ExtremeValuesAreWrittenAsTheNearestValueTheirLineHolds) {
    for (int32_t extreme : {INT32_MAX, INT32_MIN}) {
        PetState pet;
        for (int32_t* f : Fields(pet)) *f = extreme;
        const std::optional<PetState> read = ParseSaveFile(FormatSaveFile(pet));
        ASSERT_TRUE(read) << extreme;
        PetState got = *read;
        const std::vector<int32_t*> fields = Fields(got);
        for (const Row& row : kRows) {
            if (row.field == M) continue;
            SCOPED_TRACE(row.line);
            const int64_t v = *fields[row.field];
            // The value fits its line, and one step further towards the extreme would not.
            EXPECT_GE(v * row.k + row.d, INT32_MIN);
            EXPECT_LE(v * row.k + row.d, INT32_MAX);
            if (extreme == INT32_MAX) {
                EXPECT_GT((v + 1) * row.k + row.d, INT32_MAX);
            } else {
                EXPECT_LT((v - 1) * row.k + row.d, INT32_MIN);
            }
        }
    }
}

TEST(SaveFileTest, DataDirectoryIsThePathUpToItsLastSeparator) {
    struct Case {
        std::wstring modulePath;
        std::wstring directory;
    };
    const Case cases[] = {
        {L"D:\\pet\\abcdefghi.exe", L"D:\\pet\\"},
        {L"C:\\a b\\pomki_pet (1).exe", L"C:\\a b\\"},
        {L"C:\\ユーザー\\はむすたー\\pomki_pet.exe", L"C:\\ユーザー\\はむすたー\\"},
        {L"/home/user/.wine/drive_c/pet/pomki_pet.exe", L"/home/user/.wine/drive_c/pet/"},
        {L"C:\\mixed/sep\\x.exe", L"C:\\mixed/sep\\"},
        {L"\\\\?\\C:\\long\\pomki_pet.exe", L"\\\\?\\C:\\long\\"},
        {L"pomki_pet.exe", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DataDirectoryOf(c.modulePath), c.directory);
    }
    EXPECT_EQ(DataDirectoryOf(L"D:\\pet\\abcdefghi.exe") + kSaveFileName, L"D:\\pet\\pomki.dat");
}

// A path of `length` characters: `head`, a folder name of 'a's, then `tail`.
std::wstring PathOfLength(std::size_t length, const std::wstring& head, const std::wstring& tail) {
    return head + std::wstring(length - head.size() - tail.size(), L'a') + tail;
}

TEST(SaveFileTest, LongPathsTakeTheLiteralFormWithBackslashes) {
    const std::wstring name = L"\\pomki.dat";
    struct Case {
        const char* name;
        std::wstring path;
        std::wstring expected;
    };
    const Case cases[] = {
        {"short", L"D:\\pet\\pomki.dat", L"D:\\pet\\pomki.dat"},
        {"short, with slashes kept", L"D:/pet/pomki.dat", L"D:/pet/pomki.dat"},
        {"259 characters", PathOfLength(259, L"C:\\", name), PathOfLength(259, L"C:\\", name)},
        {"260 characters", PathOfLength(260, L"C:\\", name), L"\\\\?\\" + PathOfLength(260, L"C:\\", name)},
        {"a drive path with slashes", PathOfLength(300, L"C:/", L"/pet/pomki.dat"),
         L"\\\\?\\" + PathOfLength(300, L"C:\\", L"\\pet\\pomki.dat")},
        {"already literal", L"\\\\?\\" + PathOfLength(300, L"C:\\", name),
         L"\\\\?\\" + PathOfLength(300, L"C:\\", name)},
        {"a network path", PathOfLength(300, L"\\\\server\\share\\", name),
         L"\\\\?\\UNC\\" + PathOfLength(298, L"server\\share\\", name)},
        {"a network path with slashes", PathOfLength(300, L"//server/share/", L"/pomki.dat"),
         L"\\\\?\\UNC\\" + PathOfLength(298, L"server\\share\\", name)},
        {"a long relative path, as it is", PathOfLength(300, L"pet/", L"/pomki.dat"),
         PathOfLength(300, L"pet/", L"/pomki.dat")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LongPathForm(c.path), c.expected);
    }
}

}  // namespace
}  // namespace pomki
