// Keeping the pet between runs: the path of its file, the load and the exit save, and what
// the user is told about them.
#include "state/pet_keeper.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "memory_file_store.h"

namespace pomki {
namespace {

using testing::MemoryFileStore;

TEST(PetKeeperTest, OnlyARefusedFileIsToldAndEndsTheProgram) {
    EXPECT_EQ(NoticeAfterLoad(LoadResult::Loaded), std::nullopt);
    EXPECT_EQ(NoticeAfterLoad(LoadResult::NoFile), std::nullopt);
    const std::optional<FileNotice> refused = NoticeAfterLoad(LoadResult::Rejected);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->caption, L"ファイルエラー");
    EXPECT_EQ(refused->text, L"ファイルが不正アクセスされています \n 削除後パソコンを再起動してください");
    EXPECT_TRUE(refused->endsProgram);
}

TEST(PetKeeperTest, OnlyAFailedSaveIsTold) {
    EXPECT_EQ(NoticeAfterSave(true), std::nullopt);
    const std::optional<FileNotice> failed = NoticeAfterSave(false);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->caption, L"ファイルエラー");
    EXPECT_EQ(failed->text, L"ファイルに保存できませんでした");
    EXPECT_FALSE(failed->endsProgram);
}

TEST(PetKeeperTest, LoadsFromTheFileBesideTheProgramAndSavesBackThere) {
    const std::wstring path = L"D:\\pet\\pomki.dat";
    PetState grown;
    grown.level = 12;
    grown.money = 3456;
    grown.abilityUnlocked[FastMove] = 1;

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
        if (c.file) files.files[path] = *c.file;
        PetKeeper keeper(files);
        PetState pet;

        EXPECT_EQ(keeper.Load(L"D:\\pet\\", pet), c.result);
        EXPECT_EQ(pet, c.loaded);
        EXPECT_EQ(keeper.path(), path);

        pet.money += 1;
        EXPECT_TRUE(keeper.Save(pet));
        ASSERT_EQ(files.files.size(), 1u);
        EXPECT_EQ(files.files[path], FormatSaveFile(pet));
    }
}

TEST(PetKeeperTest, NothingIsSavedBeforeThePetWasLoaded) {
    MemoryFileStore files;
    files.files[L"pomki.dat"] = "old";
    PetKeeper keeper(files);
    EXPECT_FALSE(keeper.Save(PetState{}));
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ(files.files[L"pomki.dat"], "old");
}

TEST(PetKeeperTest, AFailedWriteIsReportedAndLeavesTheOldFile) {
    MemoryFileStore files;
    PetState saved;
    saved.level = 5;
    files.files[L"C:\\p\\pomki.dat"] = FormatSaveFile(saved);
    PetKeeper keeper(files);
    PetState pet;
    ASSERT_EQ(keeper.Load(L"C:\\p\\", pet), LoadResult::Loaded);
    files.failWrites = true;
    pet.level = 6;
    EXPECT_FALSE(keeper.Save(pet));
    EXPECT_EQ(files.files[L"C:\\p\\pomki.dat"], FormatSaveFile(saved));
}

}  // namespace
}  // namespace pomki
