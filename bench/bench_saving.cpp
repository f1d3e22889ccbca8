// What saving as it goes costs the pet's one thread: encoding the record, and the whole save
// (encode, write a temporary file, flush it to the disk, rename it over the file) through a
// store that does on this machine what the Windows store does. The autosave timer's check of
// an unchanged pet is measured too: it runs once a minute for the program's whole life.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "core/state/pet_keeper.h"
#include "core/state/save_file.h"

namespace {

// Files on the local disk: the same steps as the Windows store (write, flush, rename over), in
// a folder of the benchmark's own that stands for the program's.
class DiskFileStore final : public pomki::FileStore {
public:
    explicit DiskFileStore(const std::filesystem::path& folder) : folder_(folder.wstring() + L"/") {}
    std::wstring ProgramFolder() override { return folder_; }
    pomki::ReadResult ReadAll(const std::wstring&) override { return {pomki::ReadResult::Missing, {}}; }
    pomki::WriteReport ReplaceAtomically(const std::wstring& path, std::string_view bytes) override {
        const std::string target = Narrow(path);
        const std::string temporary = target + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return kFailed;
        const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                             ::fsync(fd) == 0;
        ::close(fd);
        if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
            std::remove(temporary.c_str());
            return kFailed;
        }
        return {};
    }
    void RemoveLeftovers(const std::wstring& path) override { std::remove((Narrow(path) + ".tmp").c_str()); }
    pomki::WriteReport ProbeReplace(const std::wstring& path) override {
        const std::string temporary = Narrow(path) + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return kFailed;
        ::close(fd);
        std::remove(temporary.c_str());
        return {};
    }
    std::wstring UserDataFolder() override { return {}; }
    std::wstring TemporaryFolder() override { return {}; }
    pomki::WriteReport Rename(const std::wstring& from, const std::wstring& to) override {
        return std::rename(Narrow(from).c_str(), Narrow(to).c_str()) == 0 ? pomki::WriteReport{} : kFailed;
    }

private:
    static constexpr pomki::WriteReport kFailed{pomki::WriteReport::Temporary, pomki::FileError::Other};
    static std::string Narrow(const std::wstring& path) { return std::filesystem::path(path).string(); }

    std::wstring folder_;
};

// The keeper's clock on this machine: the monotonic clock and a real sleep.
class SteadyKeeperClock final : public pomki::KeeperClock {
public:
    int64_t NowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void Pause(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

pomki::PetState AGrownPet() {
    pomki::PetState pet;
    pet.level = 123;
    pet.experience = 45;
    pet.fullness = 1500;
    pet.money = 9'876'543;
    pet.abilityUnlocked.fill(1);
    pet.abilityOn[pomki::FastMove] = 1;
    return pet;
}

void BM_EncodeSaveFile(benchmark::State& state) {
    pomki::PetState pet = AGrownPet();
    for (auto _ : state) {
        ++pet.money;
        benchmark::DoNotOptimize(pomki::FormatSaveFile(pet));
    }
}
BENCHMARK(BM_EncodeSaveFile);

// One autosave of a pet that changed: what a tick of the autosave timer, a meal or a switch
// costs. Dominated by the flush to the disk.
void BM_SaveChangesToDisk(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "pomki_bench_saving";
    std::filesystem::create_directories(folder);
    DiskFileStore files(folder);
    SteadyKeeperClock clock;
    pomki::PetKeeper keeper(files, clock);
    pomki::PetState pet = AGrownPet();
    keeper.Load(pet);
    for (auto _ : state) {
        ++pet.money;
        if (keeper.SaveChanges(pet) != pomki::SaveOutcome::Saved) state.SkipWithError("the save failed");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveChangesToDisk)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The autosave timer finding nothing to do.
void BM_SaveChangesUnchanged(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "pomki_bench_unchanged";
    std::filesystem::create_directories(folder);
    DiskFileStore files(folder);
    SteadyKeeperClock clock;
    pomki::PetKeeper keeper(files, clock);
    pomki::PetState pet = AGrownPet();
    keeper.Load(pet);
    keeper.SaveChanges(pet);
    for (auto _ : state) benchmark::DoNotOptimize(keeper.SaveChanges(pet));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveChangesUnchanged);

}  // namespace
