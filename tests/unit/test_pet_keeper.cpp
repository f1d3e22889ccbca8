// Keeping the pet between runs: the path of its file, the load (and its patience with a file
// that another program holds), saving as it goes and at exit, and what the user is told.
#include "core/state/pet_keeper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_clock.h"
#include "fake_ports.h"
#include "memory_file_store.h"

namespace pomki {
namespace {

using testing::FakeClock;
using testing::kFolderRefuses;
using testing::kHeldWhileMoved;
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
// pet, and the exit save writes back to the file in the program's folder; a refused file is
// kept beside it under another name.
TEST(PetKeeperTest, LoadsFromTheFileBesideTheProgramAndSavesBackThere) {
    const PetState grown = Grown();
    PetState other = grown;
    other.money = 99;
    const std::string refused = "31306\r\n5592\r\n";
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        LoadResult result;
        PetState loaded;
        std::optional<std::string> keptAsBad;  // what "pomki.dat.bad" holds afterwards
    };
    const Case cases[] = {
        {"no file", std::nullopt, LoadResult::NoFile, PetState{}, std::nullopt},
        {"a saved pet", FormatSaveFile(grown), LoadResult::Loaded, grown, std::nullopt},
        {"a refused file", refused, LoadResult::Rejected, PetState{}, refused},
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

        EXPECT_EQ(files.probes, std::vector<std::wstring>{kPath});
        EXPECT_EQ(keeper.MovedNotice(), std::nullopt);

        pet.money += 1;
        EXPECT_EQ(keeper.SaveAtExit(pet), SaveOutcome::Saved);
        EXPECT_EQ(files.files.size(), c.keptAsBad ? 2u : 1u);
        EXPECT_EQ(files.files[kPath], FormatSaveFile(pet));
        if (c.keptAsBad) {
            EXPECT_EQ(files.files[kPath + L".bad"], *c.keptAsBad);
        }
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
        std::optional<WriteReport> failure;  // the write, if any, fails so
        SaveOutcome outcome;
        int32_t moneyOnFile;
    };
    const Step steps[] = {
        {"unchanged since the load", 3456, std::nullopt, SaveOutcome::NotNeeded, 3456},
        {"earned", 3460, std::nullopt, SaveOutcome::Saved, 3460},
        {"unchanged since that save", 3460, std::nullopt, SaveOutcome::NotNeeded, 3460},
        {"held by another program", 3470, kHeldWhileMoved, SaveOutcome::Busy, 3460},
        {"the same again, now free", 3470, std::nullopt, SaveOutcome::Saved, 3470},
        {"a write that fails", 3480, kFolderRefuses, SaveOutcome::Failed, 3470},
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
        std::vector<WriteReport> failures;
        SaveOutcome outcome;
        int writes;
    };
    const std::vector<WriteReport> busyEachTime(kExitSaveAttempts, kHeldWhileMoved);
    const Case cases[] = {
        {"free", {}, SaveOutcome::Saved, 1},
        {"busy twice", {kHeldWhileMoved, kHeldWhileMoved}, SaveOutcome::Saved, 3},
        {"busy each time", busyEachTime, SaveOutcome::Failed, kExitSaveAttempts},
        {"failed", {kFolderRefuses}, SaveOutcome::Failed, 1},
        {"busy, then failed", {kHeldWhileMoved, kFolderRefuses}, SaveOutcome::Failed, 2},
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

// ---- Where the pet is kept ----

// Windows' answers to a failed write, judged: only another program holding a file is worth
// waiting for. The folder taking no new file, or a file marked read-only, is a failure.
TEST(PetKeeperTest, OnlyAFileHeldByAnotherProgramIsWaitedFor) {
    using S = WriteReport::Step;
    struct Case {
        WriteReport report;
        WriteResult result;
    };
    const Case cases[] = {
        {{S::Done, FileError::None}, WriteResult::Written},
        {{S::Temporary, FileError::SharingViolation}, WriteResult::Busy},  // a leftover held by a scanner
        {{S::Move, FileError::SharingViolation}, WriteResult::Busy},
        {{S::Temporary, FileError::LockViolation}, WriteResult::Busy},
        {{S::Move, FileError::LockViolation}, WriteResult::Busy},
        // The folder refuses a new file: Program Files, Controlled Folder Access.
        {{S::Temporary, FileError::AccessDenied}, WriteResult::Failed},
        // The temporary file was written, so the folder takes files: the target is held open.
        {{S::Move, FileError::AccessDenied}, WriteResult::Busy},
        {{S::Move, FileError::ReadOnly}, WriteResult::Failed},
        {{S::Temporary, FileError::ReadOnly}, WriteResult::Failed},
        {{S::Temporary, FileError::NotFound}, WriteResult::Failed},  // the folder is gone
        {{S::Move, FileError::NotFound}, WriteResult::Failed},
        {{S::Temporary, FileError::Other}, WriteResult::Failed},  // a full disk
        {{S::Move, FileError::Other}, WriteResult::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "step " << c.report.step << ", error " << static_cast<int>(c.report.error));
        EXPECT_EQ(ResultOf(c.report), c.result);
    }
}

TEST(PetKeeperTest, APathIsWithinAFolderWhateverTheCaseOfItsLettersAndItsSeparators) {
    struct Case {
        std::wstring_view path;
        std::wstring_view folder;
        bool within;
    };
    const Case cases[] = {
        {L"C:\\Users\\u\\AppData\\Local\\Temp\\Temp1_pomki.zip\\", L"C:\\Users\\u\\AppData\\Local\\Temp\\", true},
        {L"C:\\Users\\u\\AppData\\Local\\Temp\\", L"C:\\Users\\u\\AppData\\Local\\Temp\\", true},
        {L"c:\\users\\U\\appdata\\local\\TEMP\\x\\", L"C:\\Users\\u\\AppData\\Local\\Temp\\", true},
        {L"C:/Users/u/AppData/Local/Temp/x/", L"C:\\Users\\u\\AppData\\Local\\Temp\\", true},
        {L"C:\\Users\\u\\AppData\\Local\\Temp2\\", L"C:\\Users\\u\\AppData\\Local\\Temp\\", false},
        {L"C:\\Users\\u\\AppData\\Local\\", L"C:\\Users\\u\\AppData\\Local\\Temp\\", false},
        {L"D:\\pet\\", L"C:\\Users\\u\\AppData\\Local\\Temp\\", false},
        {L"D:\\pet\\", L"", false},
        {L"", L"", false},
        // Only A to Z are folded: other letters must match as they are.
        {L"C:\\Ä\\", L"C:\\ä\\", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsWithinFolder(c.path, c.folder), c.within)
            << testing::ToUtf8(c.path) << " in " << testing::ToUtf8(c.folder);
    }
}

// Beside the program while its folder takes a new file; otherwise (and in the user's folder for
// temporary files, emptied by Windows) in the user data folder, where a pet already kept there
// is loaded and, the first time, the pet beside the program is copied and the user told where
// it lives now.
TEST(PetKeeperTest, ThePetLivesBesideTheProgramWhereItCanAndInTheUserDataFolderOtherwise) {
    const std::wstring kTemp = L"C:\\Users\\u\\AppData\\Local\\Temp\\";
    const std::wstring kOwn = L"C:\\Users\\u\\AppData\\Local\\pomki\\";
    const std::wstring kOwnPath = kOwn + L"pomki.dat";
    const std::wstring kZip = kTemp + L"Temp1_pomki.zip\\";
    PetState there = Grown();
    there.money = 777;
    const std::string beside = FormatSaveFile(Grown()).substr(0) + "\n";  // read alike, but not the same bytes
    const std::string refused = "31306\r\n";
    const std::string kept = FormatSaveFile(there);
    enum Beside { NoPet, APet, ARefusedFile, AnUnreadableFile };
    struct Case {
        const char* name;
        std::wstring folder;    // the program's
        WriteReport probe;      // what its folder answers
        std::wstring own;       // the user data folder ("" for none)
        bool keptThere;         // a pet is in the user data folder already
        Beside besideProgram;
        bool probed;
        std::wstring path;      // where the pet is kept
        LoadResult result;
        PetState loaded;
        bool moved;             // the user is told the pet lives there now
        std::optional<std::string> copied;  // what the load wrote to the user data folder
    };
    const WriteReport free{};
    const WriteReport held{WriteReport::Temporary, FileError::SharingViolation};
    const WriteReport refuses{WriteReport::Temporary, FileError::AccessDenied};
    const WriteReport readOnlyMedium{WriteReport::Temporary, FileError::Other};
    const Case cases[] = {
        {"a folder that takes files", kDir, free, kOwn, true, APet, true, kPath, LoadResult::Loaded, Grown(), false,
         std::nullopt},
        {"a leftover held by another program: the folder still takes files", kDir, held, kOwn, true, APet, true, kPath,
         LoadResult::Loaded, Grown(), false, std::nullopt},
        {"a folder that refuses, the pet there already", kDir, refuses, kOwn, true, APet, true, kOwnPath,
         LoadResult::Loaded, there, false, std::nullopt},
        {"a write-protected medium, the pet there already", kDir, readOnlyMedium, kOwn, true, APet, true, kOwnPath,
         LoadResult::Loaded, there, false, std::nullopt},
        {"a folder that refuses: the pet beside the program comes along", kDir, refuses, kOwn, false, APet, true,
         kOwnPath, LoadResult::Loaded, Grown(), true, beside},
        {"a folder that refuses, no pet anywhere: a new one", kDir, refuses, kOwn, false, NoPet, true, kOwnPath,
         LoadResult::NoFile, PetState{}, true, std::nullopt},
        {"a refused file beside the program stays there", kDir, refuses, kOwn, false, ARefusedFile, true, kOwnPath,
         LoadResult::Rejected, PetState{}, true, std::nullopt},
        {"an unreadable file beside the program: nothing kept, nothing told", kDir, refuses, kOwn, false,
         AnUnreadableFile, true, kOwnPath, LoadResult::Unreadable, PetState{}, false, std::nullopt},
        {"inside the temporary folder (started from a ZIP archive)", kZip, free, kOwn, false, APet, false,
         kOwnPath, LoadResult::Loaded, Grown(), true, beside},
        {"the temporary folder itself", kTemp, free, kOwn, true, APet, false, kOwnPath, LoadResult::Loaded, there,
         false, std::nullopt},
        {"the temporary folder written otherwise", L"c:/users/U/appdata/local/temp/x/", free, kOwn, true, APet, false,
         kOwnPath, LoadResult::Loaded, there, false, std::nullopt},
        {"no user data folder: beside the program after all", kDir, refuses, L"", false, APet, true, kPath,
         LoadResult::Loaded, Grown(), false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileStore files;
        files.programFolder = c.folder;
        files.probe = c.probe;
        files.userDataFolder = c.own;
        files.temporaryFolder = kTemp;
        const std::wstring besidePath = c.folder + L"pomki.dat";
        if (c.keptThere) files.files[kOwnPath] = kept;
        if (c.besideProgram == APet || c.besideProgram == AnUnreadableFile) files.files[besidePath] = beside;
        if (c.besideProgram == ARefusedFile) files.files[besidePath] = refused;
        if (c.besideProgram == AnUnreadableFile) files.unreadableReads = 1'000'000;
        const auto before = files.files;
        FakeClock clock;
        PetKeeper keeper(files, clock);
        PetState pet;

        EXPECT_EQ(keeper.Load(pet), c.result);
        EXPECT_EQ(pet, c.loaded);
        EXPECT_EQ(keeper.path(), c.path);
        EXPECT_EQ(files.probes.size(), c.probed ? 1u : 0u);
        const std::optional<FileNotice> notice = keeper.MovedNotice();
        ASSERT_EQ(notice.has_value(), c.moved);
        if (c.moved) {
            EXPECT_EQ(notice->text, L"このフォルダには保存できないため、ハムスターは次の場所に保存します\n" + c.path);
            EXPECT_FALSE(notice->endsProgram);
        }
        auto expected = before;
        if (c.copied) expected[kOwnPath] = *c.copied;
        EXPECT_EQ(files.files, expected) << "the load writes nothing but the copy";
        EXPECT_EQ(files.renames.size(), 0u);
        if (c.result == LoadResult::Unreadable) continue;

        // Saved where it is kept; the file beside the program is never written over from elsewhere.
        pet.money += 5;
        EXPECT_EQ(keeper.SaveAtExit(pet), SaveOutcome::Saved);
        EXPECT_EQ(files.files[c.path], FormatSaveFile(pet));
        if (c.path != besidePath && before.count(besidePath)) {
            EXPECT_EQ(files.files[besidePath], before.at(besidePath));
        }
        EXPECT_EQ(files.renames.size(), 0u) << "a refused file elsewhere is not set aside";
    }
}

// A pet that cannot be copied to the user data folder is still loaded, and the first save
// writes it there.
TEST(PetKeeperTest, APetThatCouldNotBeCopiedIsWrittenAtTheFirstSave) {
    MemoryFileStore files;
    files.programFolder = kDir;
    files.probe = kFolderRefuses;
    files.files[kPath] = FormatSaveFile(Grown());
    files.writeFailures.push_back(kFolderRefuses);
    FakeClock clock;
    PetKeeper keeper(files, clock);
    PetState pet;
    ASSERT_EQ(keeper.Load(pet), LoadResult::Loaded);
    const std::wstring own = files.userDataFolder + L"pomki.dat";
    EXPECT_EQ(files.files.count(own), 0u);
    EXPECT_EQ(keeper.SaveChanges(pet), SaveOutcome::Saved) << "unchanged, and not on file yet";
    EXPECT_EQ(files.files[own], FormatSaveFile(Grown()));
}

// Before a new pet is written over a refused file, the refused file is renamed to
// "pomki.dat.bad" (replacing an older one); when that cannot be done, nothing is written.
TEST(PetKeeperTest, ARefusedFileIsSetAsideBeforeANewPetIsWrittenInItsPlace) {
    const std::string refused = "31306\r\n5592\r\n";
    const std::wstring bad = kPath + L".bad";
    struct Case {
        const char* name;
        std::vector<WriteReport> renameFailures;
        bool atExit;
        SaveOutcome outcome;
        bool written;
        std::size_t renames;
    };
    const WriteReport badReadOnly{WriteReport::Move, FileError::ReadOnly};
    const WriteReport held{WriteReport::Move, FileError::AccessDenied};
    const WriteReport gone{WriteReport::Move, FileError::NotFound};
    const Case cases[] = {
        {"at exit", {}, true, SaveOutcome::Saved, true, 1},
        {"as it goes", {}, false, SaveOutcome::Saved, true, 1},
        {"held by another program for a moment", {held, held}, true, SaveOutcome::Saved, true, 3},
        {"held as it goes: tried at the next save", {held}, false, SaveOutcome::Busy, false, 1},
        {"an old .bad marked read-only", {badReadOnly}, true, SaveOutcome::Failed, false, 1},
        {"the refused file is gone already", {gone}, true, SaveOutcome::Saved, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileStore files;
        files.programFolder = kDir;
        files.files[kPath] = refused;
        files.files[bad] = "an older refused file";
        files.renameFailures.assign(c.renameFailures.begin(), c.renameFailures.end());
        FakeClock clock;
        PetKeeper keeper(files, clock);
        PetState pet;
        ASSERT_EQ(keeper.Load(pet), LoadResult::Rejected);

        EXPECT_EQ(c.atExit ? keeper.SaveAtExit(pet) : keeper.SaveChanges(pet), c.outcome);

        EXPECT_EQ(files.renames.size(), c.renames);
        for (const auto& [from, to] : files.renames) {
            EXPECT_EQ(from, kPath);
            EXPECT_EQ(to, bad);
        }
        if (c.written) {
            EXPECT_EQ(files.files[kPath], FormatSaveFile(pet));
            if (c.renameFailures.empty() || c.renameFailures.back() != gone) {
                EXPECT_EQ(files.files[bad], refused);
            }
        } else {
            EXPECT_EQ(files.files[kPath], refused) << "never written over";
            EXPECT_EQ(files.writes, 0);
        }
    }
}

// Set aside once: the saves after it write in place.
TEST(PetKeeperTest, ARefusedFileIsSetAsideOnce) {
    MemoryFileStore files;
    files.programFolder = kDir;
    files.files[kPath] = "refused";
    FakeClock clock;
    PetKeeper keeper(files, clock);
    PetState pet;
    ASSERT_EQ(keeper.Load(pet), LoadResult::Rejected);
    EXPECT_EQ(keeper.SaveChanges(pet), SaveOutcome::Saved);
    pet.money = 10;
    EXPECT_EQ(keeper.SaveChanges(pet), SaveOutcome::Saved);
    EXPECT_EQ(keeper.SaveAtExit(pet), SaveOutcome::Saved);
    EXPECT_EQ(files.renames.size(), 1u);
    EXPECT_EQ(files.files[kPath + L".bad"], "refused");
    EXPECT_EQ(files.files[kPath], FormatSaveFile(pet));
}

}  // namespace
}  // namespace pomki
