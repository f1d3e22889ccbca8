// Keeping the pet between runs: the path of its file, the load (and its patience with a file
// that another program holds), saving as it goes and at exit, and what the user is told.
#include "core/state/pet_keeper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_clock.h"
#include "memory_file_store.h"

namespace pomki {
namespace {

using testing::FakeClock;
using testing::MemoryFileStore;

const std::wstring kDir = L"D:\\pet\\";
const std::wstring kPath = L"D:\\pet\\pomki.dat";

PetState Grown() {
    PetState grown;
    grown.level = 12;
    grown.money = 3456;
    grown.abilityUnlocked[FastMove] = 1;
    return grown;
}

TEST(PetKeeperTest, NoticesAfterLoadAndExitSave) {
    struct Case {
        const char* name;
        std::optional<FileNotice> notice;
        bool shown;
        std::wstring_view text;
        bool endsProgram;
        bool standsAlone;
    };
    const Case cases[] = {
        {"loaded", NoticeAfterLoad(LoadResult::Loaded), false, {}, false, false},
        {"no file", NoticeAfterLoad(LoadResult::NoFile), false, {}, false, false},
        // A refused file: owned by the pet window, and the program ends (writing a new pet).
        {"refused", NoticeAfterLoad(LoadResult::Rejected), true,
         L"ファイルが不正アクセスされています \n 削除後パソコンを再起動してください", true, false},
        // A file that could not be read: the program ends to keep it, shown whatever else is on screen.
        {"unreadable", NoticeAfterLoad(LoadResult::Unreadable), true,
         L"ファイルを読み込めませんでした\nファイルを守るため終了します\nしばらくしてから、もう一度起動してください",
         true, true},
        {"saved", NoticeAfterSave(SaveOutcome::Saved), false, {}, false, false},
        {"nothing to save", NoticeAfterSave(SaveOutcome::NotNeeded), false, {}, false, false},
        {"save failed", NoticeAfterSave(SaveOutcome::Failed), true, L"ファイルに保存できませんでした", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.notice.has_value(), c.shown);
        if (!c.shown) continue;
        EXPECT_EQ(c.notice->caption, L"ファイルエラー");
        EXPECT_EQ(c.notice->text, c.text);
        EXPECT_EQ(c.notice->endsProgram, c.endsProgram);
        EXPECT_EQ(c.notice->standsAlone, c.standsAlone);
    }
}

// Whatever the load found, a leftover of an interrupted save is removed and never read as the
// pet, and the exit save writes back to the file in the program's folder.
TEST(PetKeeperTest, LoadsFromTheFileBesideTheProgramAndSavesBackThere) {
    const PetState grown = Grown();
    PetState other = grown;
    other.money = 99;
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        LoadResult result;
        PetState loaded;
    };
    const Case cases[] = {
        {"no file", std::nullopt, LoadResult::NoFile, PetState{}},
        {"a saved pet", FormatSaveFile(grown), LoadResult::Loaded, grown},
        {"a refused file", std::string("31306\r\n5592\r\n"), LoadResult::Rejected, PetState{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileStore files;
        files.programFolder = kDir;
        if (c.file) files.files[kPath] = *c.file;
        files.files[MemoryFileStore::LeftoverOf(kPath)] = FormatSaveFile(other);
        FakeClock clock;
        PetKeeper keeper(files, clock);
        PetState pet;

        EXPECT_EQ(keeper.Load(pet), c.result);
        EXPECT_EQ(pet, c.loaded);
        EXPECT_EQ(keeper.path(), kPath);
        EXPECT_TRUE(keeper.Keeping());
        EXPECT_EQ(files.files.count(MemoryFileStore::LeftoverOf(kPath)), 0u);
        EXPECT_EQ(files.reads, 1);
        EXPECT_TRUE(clock.pauses.empty());

        pet.money += 1;
        EXPECT_EQ(keeper.SaveAtExit(pet), SaveOutcome::Saved);
        ASSERT_EQ(files.files.size(), 1u);
        EXPECT_EQ(files.files[kPath], FormatSaveFile(pet));
    }
}

// The file is the save file in the folder the store names for the program; a path too long
// for Windows' ordinary form is read and written in its literal form.
TEST(PetKeeperTest, ThePathIsTheProgramsFolderAndTheFileNameInAFormWindowsTakes) {
    const std::wstring deep = L"C:\\" + std::wstring(250, L'd') + L"\\";  // 253 + 9 = 262 characters
    const std::wstring share = L"\\\\server\\" + std::wstring(250, L's') + L"\\";
    struct Case {
        const char* name;
        std::wstring folder;
        std::wstring path;
    };
    const Case cases[] = {
        {"a short folder", L"D:\\pet\\", L"D:\\pet\\pomki.dat"},
        {"a short folder written with slashes, as it is", L"D:/pet/", L"D:/pet/pomki.dat"},
        {"no folder known: the name alone", L"", L"pomki.dat"},
        {"a deep folder", deep, L"\\\\?\\" + deep + L"pomki.dat"},
        {"a deep network folder", share, L"\\\\?\\UNC\\server\\" + std::wstring(250, L's') + L"\\pomki.dat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileStore files;
        files.programFolder = c.folder;
        files.files[c.path] = FormatSaveFile(Grown());
        FakeClock clock;
        PetKeeper keeper(files, clock);
        PetState pet;

        EXPECT_EQ(keeper.Load(pet), LoadResult::Loaded);
        EXPECT_EQ(keeper.path(), c.path);
        EXPECT_EQ(pet, Grown());
        pet.money += 1;
        EXPECT_EQ(keeper.SaveChanges(pet), SaveOutcome::Saved);
        EXPECT_EQ(files.files[c.path], FormatSaveFile(pet));
        EXPECT_EQ(files.files.size(), 1u);
    }
}

// A file that cannot be read is tried again, with a pause between tries, for about ten
// seconds. Given up on, it is left exactly as it was: nothing is removed or written, ever.
TEST(PetKeeperTest, AnUnreadableFileIsTriedForTenSecondsAndThenNeverWritten) {
    const int kTries = 1 + kUnreadableRetryMs / kUnreadablePauseMs;  // the first and one after each pause
    struct Case {
        const char* name;
        int unreadableReads;
        LoadResult result;
        int reads;
    };
    const Case cases[] = {
        {"readable at once", 0, LoadResult::Loaded, 1},
        {"held for a moment", 1, LoadResult::Loaded, 2},
        {"held for three seconds", 12, LoadResult::Loaded, 13},
        {"released at the last try", kTries - 1, LoadResult::Loaded, kTries},
        {"held for longer", kTries, LoadResult::Unreadable, kTries},
        {"held for good", 1'000'000, LoadResult::Unreadable, kTries},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileStore files;
        files.programFolder = kDir;
        const std::string saved = FormatSaveFile(Grown());
        const std::string leftover = "313";
        files.files[kPath] = saved;
        files.files[MemoryFileStore::LeftoverOf(kPath)] = leftover;
        files.unreadableReads = c.unreadableReads;
        FakeClock clock;
        const int64_t start = clock.now;
        PetKeeper keeper(files, clock);
        PetState pet;

        EXPECT_EQ(keeper.Load(pet), c.result);
        EXPECT_EQ(files.reads, c.reads);
        EXPECT_EQ(clock.pauses, std::vector<int>(static_cast<std::size_t>(c.reads - 1), kUnreadablePauseMs));
        EXPECT_LE(clock.now - start, kUnreadableRetryMs);
        if (c.result == LoadResult::Loaded) {
            EXPECT_EQ(pet, Grown());
            continue;
        }
        EXPECT_EQ(pet, PetState{});
        EXPECT_FALSE(keeper.Keeping());
        pet.money = 5;
        EXPECT_EQ(keeper.SaveChanges(pet), SaveOutcome::NotNeeded);
        EXPECT_EQ(keeper.SaveAtExit(pet), SaveOutcome::NotNeeded);
        EXPECT_EQ(NoticeAfterSave(keeper.SaveAtExit(pet)), std::nullopt);
        EXPECT_EQ(files.writes, 0);
        EXPECT_EQ(files.files[kPath], saved);
        EXPECT_EQ(files.files[MemoryFileStore::LeftoverOf(kPath)], leftover);
    }
}

TEST(PetKeeperTest, NothingIsSavedBeforeThePetWasLoaded) {
    MemoryFileStore files;
    files.programFolder = kDir;
    files.files[L"pomki.dat"] = "old";
    FakeClock clock;
    PetKeeper keeper(files, clock);
    EXPECT_EQ(keeper.SaveAtExit(PetState{}), SaveOutcome::NotNeeded);
    EXPECT_EQ(keeper.SaveChanges(PetState{}), SaveOutcome::NotNeeded);
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(files.files[L"pomki.dat"], "old");
}

// Saving as it goes writes only a record that differs from what the file holds, in one try;
// one that failed is written at the next call.
TEST(PetKeeperTest, SavingAsItGoesWritesChangesOnlyAndTriesAgainNextTime) {
    struct Step {
        const char* name;
        int32_t money;                      // the pet's money at this call
        std::optional<WriteResult> failure;  // the write, if any, fails so
        SaveOutcome outcome;
        int32_t moneyOnFile;
    };
    const Step steps[] = {
        {"unchanged since the load", 3456, std::nullopt, SaveOutcome::NotNeeded, 3456},
        {"earned", 3460, std::nullopt, SaveOutcome::Saved, 3460},
        {"unchanged since that save", 3460, std::nullopt, SaveOutcome::NotNeeded, 3460},
        {"held by another program", 3470, WriteResult::Busy, SaveOutcome::Failed, 3460},
        {"the same again, now free", 3470, std::nullopt, SaveOutcome::Saved, 3470},
        {"a write that fails", 3480, WriteResult::Failed, SaveOutcome::Failed, 3470},
        {"back where the file is", 3470, std::nullopt, SaveOutcome::NotNeeded, 3470},
    };
    MemoryFileStore files;
    files.programFolder = kDir;
    files.files[kPath] = FormatSaveFile(Grown());
    FakeClock clock;
    PetKeeper keeper(files, clock);
    PetState pet;
    ASSERT_EQ(keeper.Load(pet), LoadResult::Loaded);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const int writesBefore = files.writes;
        if (step.failure) files.writeFailures.push_back(*step.failure);
        pet.money = step.money;

        EXPECT_EQ(keeper.SaveChanges(pet), step.outcome);

        EXPECT_EQ(files.writes - writesBefore, step.outcome == SaveOutcome::NotNeeded ? 0 : 1);
        PetState onFile = pet;
        onFile.money = step.moneyOnFile;
        EXPECT_EQ(files.files[kPath], FormatSaveFile(onFile));
    }
    EXPECT_TRUE(clock.pauses.empty()) << "saving as it goes never waits";
}

// A first pet with no file is written at the first chance, though it never changed.
TEST(PetKeeperTest, APetWithoutAFileIsWrittenAtTheFirstChance) {
    MemoryFileStore files;
    files.programFolder = kDir;
    FakeClock clock;
    PetKeeper keeper(files, clock);
    PetState pet;
    ASSERT_EQ(keeper.Load(pet), LoadResult::NoFile);
    EXPECT_EQ(keeper.SaveChanges(pet), SaveOutcome::Saved);
    EXPECT_EQ(files.files[kPath], FormatSaveFile(PetState{}));
    EXPECT_EQ(keeper.SaveChanges(pet), SaveOutcome::NotNeeded);
}

// The exit save always writes; it waits briefly for a file that another program holds, and
// gives up at once on any other failure, leaving the old file.
TEST(PetKeeperTest, TheExitSaveWaitsForABusyFileAndReportsAFailure) {
    struct Case {
        const char* name;
        std::vector<WriteResult> failures;
        SaveOutcome outcome;
        int writes;
    };
    const std::vector<WriteResult> busyEachTime(kExitSaveAttempts, WriteResult::Busy);
    const Case cases[] = {
        {"free", {}, SaveOutcome::Saved, 1},
        {"busy twice", {WriteResult::Busy, WriteResult::Busy}, SaveOutcome::Saved, 3},
        {"busy each time", busyEachTime, SaveOutcome::Failed, kExitSaveAttempts},
        {"failed", {WriteResult::Failed}, SaveOutcome::Failed, 1},
        {"busy, then failed", {WriteResult::Busy, WriteResult::Failed}, SaveOutcome::Failed, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileStore files;
        files.programFolder = kDir;
        files.files[kPath] = FormatSaveFile(Grown());
        FakeClock clock;
        PetKeeper keeper(files, clock);
        PetState pet;
        ASSERT_EQ(keeper.Load(pet), LoadResult::Loaded);
        files.writeFailures.assign(c.failures.begin(), c.failures.end());

        EXPECT_EQ(keeper.SaveAtExit(pet), c.outcome) << "unchanged, and written all the same";

        EXPECT_EQ(files.writes, c.writes);
        EXPECT_EQ(clock.pauses, std::vector<int>(static_cast<std::size_t>(c.writes - 1), kExitSavePauseMs));
        EXPECT_EQ(files.files[kPath], FormatSaveFile(Grown()));
    }
}

}  // namespace
}  // namespace pomki
