// The save file "pomki.dat": 40 lines of signed decimal numbers beside the program.
// Ten lines are fixed markers; each of the other thirty holds one field of PetState as
// value × k + d. A file that does not decode exactly is refused as tampered with.
// Platform-free: the file system is reached through FileStore.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/state/pet_state.h"

namespace pomki {

// Unreadable: a file is there but could not be read (another program holds it, a cloud file
// that cannot be fetched now). It is not "no file": the pet in it must not be written over.
enum class LoadResult { Loaded, NoFile, Rejected, Unreadable };

inline constexpr wchar_t kSaveFileName[] = L"pomki.dat";

inline constexpr int kSaveLineCount = 40;
inline constexpr int kSaveFieldCount = 30;

// A real save file is under 600 bytes. Anything longer than this is not one, so a store
// may stop reading after kSaveFileMaxBytes + 1 bytes: the load step refuses it either way.
inline constexpr std::size_t kSaveFileMaxBytes = 64 * 1024;

// What a store found when it read a file.
struct ReadResult {
    enum Status {
        Read,        // bytes holds the content
        Missing,     // there is no such file
        Unreadable,  // there is one, but it could not be read now; trying later may succeed
    };
    Status status;
    std::string bytes;
};

// How a write went, as the keeper judges it. Busy: another program held a file for a moment;
// trying later may succeed. Failed: trying again will not help (the folder or the file refuses
// to be written, the disk is full, ...).
enum class WriteResult { Written, Busy, Failed };

// What the system answered when it refused a file operation.
enum class FileError {
    None,
    SharingViolation,  // another program has the file open and does not share it
    LockViolation,     // another program has locked a part of it
    AccessDenied,      // access was refused
    ReadOnly,          // access was refused, and the file in the way is marked read-only or is a folder
    NotFound,          // there is no such file or folder
    Other,             // anything else: a full disk, a write-protected medium, a lost network, ...
};

// How a write to the file system went: done, or the step that failed and the system's answer.
// The store reports it as it was; ResultOf judges it.
struct WriteReport {
    enum Step {
        Done,
        Temporary,  // creating or writing the temporary file beside the target
        Move,       // moving a file over the target (the temporary file, or the file renamed)
    };
    Step step = Done;
    FileError error = FileError::None;
    friend bool operator==(const WriteReport&, const WriteReport&) = default;
};

// Whether a failed write is worth trying again. A sharing or lock violation is another program
// holding the file for now. "Access denied" while moving over the target, once the temporary
// file beside it was written, is one too: the folder takes new files, and Windows refuses to
// replace a file that another program has open (a scanner, a sync client) with exactly that
// answer. Any other refusal is a failure: a folder that takes no new file (Program Files, a
// folder under Controlled Folder Access), a file marked read-only, a full disk.
WriteResult ResultOf(const WriteReport& report);

// True when `path` lies inside `folder` (given with its trailing separator), comparing as
// Windows does, whatever the case of the letters A to Z and whichever separator; false for
// an empty folder.
bool IsWithinFolder(std::wstring_view path, std::wstring_view folder);

// The file system as the save file needs it; the Windows program and the tests provide one each.
// A store only reports what happened; when to try again is the caller's rule.
class FileStore {
public:
    virtual ~FileStore() = default;
    // The folder of the running program, with its trailing separator; empty when the system
    // cannot tell it.
    virtual std::wstring ProgramFolder() = 0;
    virtual ReadResult ReadAll(const std::wstring& path) = 0;
    // Replaces the file with these bytes, all or nothing: whenever the process stops, the file
    // is either the old one or the new one, and a failed replace leaves the old one.
    virtual WriteReport ReplaceAtomically(const std::wstring& path, std::string_view bytes) = 0;
    // Removes what a replace of this file that never finished (the process was killed) may
    // have left beside it. Such leftovers are never read as the file.
    virtual void RemoveLeftovers(const std::wstring& path) = 0;

    // ---- Where the pet can be kept ----
    // Creates and removes the temporary file that a replace of `path` would write first: whether
    // its folder takes a new file now. Nothing else is touched.
    virtual WriteReport ProbeReplace(const std::wstring& path) = 0;
    // The program's own folder in the user's local application data ("%LOCALAPPDATA%\pomki\"),
    // made if it is missing, with its trailing separator; empty when there is none.
    virtual std::wstring UserDataFolder() = 0;
    // The user's folder for temporary files, with its trailing separator, in its long form;
    // empty when the system cannot tell it.
    virtual std::wstring TemporaryFolder() = 0;
    // Renames a file, replacing any file of the new name, in one step.
    virtual WriteReport Rename(const std::wstring& from, const std::wstring& to) = 0;
};

// Fields in record order, as the line table names them.
enum SaveField : int {
    kUnlockedField0 = 0,  // abilityUnlocked[0..11] are fields 0..11
    kOnField0 = 12,       // abilityOn[0..11] are fields 12..23
    kLevelField = 24,
    kExperienceField,
    kFullnessField,
    kStressField,
    kReservedField,
    kMoneyField,
};

inline constexpr int kMarkerLine = -1;

// One line of the file: a fixed marker, or a field stored as value × k + d.
struct SaveLine {
    int field;       // SaveField, or kMarkerLine
    int32_t marker;  // the number on a marker line
    int32_t k;       // multiplier of a field line
    int32_t d;       // addend of a field line

    bool IsMarker() const { return field == kMarkerLine; }
};

namespace save_line {
constexpr SaveLine Marker(int32_t number) { return {kMarkerLine, number, 0, 0}; }
constexpr SaveLine Field(int field, int32_t k, int32_t d) { return {field, 0, k, d}; }
constexpr int Unlocked(int ability) { return kUnlockedField0 + ability; }
constexpr int On(int ability) { return kOnField0 + ability; }
}  // namespace save_line

// The one line table, read by the writer and the reader alike.
inline constexpr std::array<SaveLine, kSaveLineCount> kSaveLines = [] {
    using namespace save_line;
    return std::array<SaveLine, kSaveLineCount>{{
        Marker(31306),
        Marker(5592),
        Field(Unlocked(0), 19, 2),
        Field(Unlocked(1), 62, 27),
        Field(Unlocked(2), 21, 99),
        Field(Unlocked(3), 54, 232),
        Field(Unlocked(4), 23, 132),
        Marker(450),
        Field(Unlocked(5), 54, 232),
        Field(Unlocked(6), 23, 132),
        Field(Unlocked(7), 19, 2),
        Field(Unlocked(8), 62, 27),
        Field(Unlocked(9), 21, 99),
        Marker(2),
        Field(Unlocked(10), 23, 132),
        Field(Unlocked(11), 19, 2),
        Marker(44),
        Field(On(0), 23, 132),
        Field(On(1), 19, 2),
        Field(On(2), 62, 27),
        Field(On(3), 21, 99),
        Field(On(4), 54, 232),
        Field(On(5), 23, 132),
        Marker(105),
        Field(On(6), 54, 232),
        Field(On(7), 23, 132),
        Marker(1111),
        Field(On(8), 62, 27),
        Field(On(9), 21, 99),
        Field(On(10), 54, 232),
        Field(On(11), 23, 132),
        Marker(1200),
        Field(kLevelField, 54, 232),
        Field(kExperienceField, 23, 132),
        Field(kFullnessField, 19, 2),
        Field(kStressField, 62, 27),
        Field(kReservedField, 21, 99),
        Field(kMoneyField, 54, 232),
        Marker(12230),
        Marker(5500),
    }};
}();

// The field of the record with this SaveField index.
int32_t& SaveFieldOf(PetState& pet, int field);
int32_t SaveFieldOf(const PetState& pet, int field);

// The range of values that a field line can hold: value × k + d must fit a signed 32-bit number.
struct FieldBounds {
    int32_t lowest;
    int32_t highest;
};
FieldBounds BoundsOf(const SaveLine& line);

// The 40 numbers of the file. A field outside what its line can hold is written as the nearest
// value that it can, so that every file written reads back.
std::array<int32_t, kSaveLineCount> EncodeSaveNumbers(const PetState& pet);

// The file's bytes: 40 lines, each "%d" followed by the bytes 0D 0D 0A.
std::string FormatSaveFile(const PetState& pet);

// Reads 40 numbers as fscanf's "%d" would (leading white space skipped, optional sign, digits;
// anything after the fortieth number ignored) and decodes them. nullopt when the file is
// refused: a number is missing, malformed or outside 32 bits, a marker differs, or a field
// line does not decode exactly.
std::optional<PetState> ParseSaveFile(std::string_view text);

// Loads the record from the file, in one attempt. pet is changed only when the result is Loaded.
LoadResult loadPetState(FileStore& files, const std::wstring& path, PetState& pet);

// What a read of the file holds: the record (pet is changed only when the result is Loaded).
LoadResult DecodeRead(const ReadResult& read, PetState& pet);

// Writes the record over the file, in one attempt; false when it could not be written (the old
// file stays).
bool savePetState(FileStore& files, const std::wstring& path, const PetState& pet);

// The folder part of the program's path, up to and including its last '\\' or '/';
// empty when the path has no separator.
std::wstring DataDirectoryOf(std::wstring_view modulePath);

// Windows takes paths of kMaxPath characters or more only in the literal "\\?\" form, whose
// separators must be backslashes. A shorter path, one in that form already or a relative one
// is returned as it is.
inline constexpr std::size_t kMaxPath = 260;
std::wstring LongPathForm(std::wstring_view path);

}  // namespace pomki
