// The five tricks a stressed pet plays on the user, the rules for when each may fire, and the
// lines the pet speaks in them. The tick decides when; these carry the tricks out.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/pet/behaviour_timer.h"
#include "core/pet/pet_ports.h"
#include "core/pet/walk_state.h"
#include "core/state/pet_state.h"

namespace pomki {

// When a trick may fire: stress above a level, one of two mischief rolls (0..49), and the
// guard ability that blocks it switched off. Acts on the user's window have further
// conditions that the tick checks itself (no CursorLead, pet window not in front).
struct MischiefTrigger {
    int32_t stressAbove;
    int rollA;
    int rollB;  // the same as rollA for tricks that answer to one roll only
    Ability blockedBy;

    bool Fires(const PetState& pet, int32_t stress, int mischiefRoll) const {
        return stress > stressAbove && (mischiefRoll == rollA || mischiefRoll == rollB) &&
               !pet.IsOn(blockedBy);
    }
};

inline constexpr MischiefTrigger kShootScreenTrigger{200, 5, 8, NoMischief1};
inline constexpr MischiefTrigger kGrumbleBoxTrigger{400, 33, 33, MischiefGuard};
inline constexpr MischiefTrigger kShootVolleyTrigger{450, 4, 4, MischiefGuard};
inline constexpr MischiefTrigger kRetitleWindowTrigger{150, 25, 40, NoMischief1};
inline constexpr MischiefTrigger kMinimiseWindowTrigger{350, 1, 1, MischiefGuard};

struct BoxLine {
    std::wstring_view text;
    std::wstring_view caption;
};

// What the pet grumbles in a message box; text and caption always come from one row.
inline constexpr std::array<BoxLine, 10> boxLines{{
    {L"おなかへったでしゅ", L"ごはんー"},
    {L"ひどいでしゅ\nどうぶつ虐待でしゅ", L"たべものくれないなんて"},
    {L"ほんとにいやでしゅ", L"もういやでしゅ"},
    {L"・・・。", L"・・・。"},
    {L"モブ太よりひどいでしゅね", L"ごはんぐらいくだしゃい"},
    {L"さみしーでしゅよー", L"あそんでくだしゃい"},
    {L"夕張めろんがたべたいでしゅ", L"牛丼つゆだくか"},
    {L"良いんでしゅか？", L"邪魔しましゅよ？"},
    {L"イライラ・・・", L"ムカムカ・・・。"},
    {L"むー！", L"むぅー！"},
}};

// The titles the pet gives the user's window.
inline constexpr std::array<std::wstring_view, 10> titleLines{{
    L"おなかへったでしゅ",
    L"どうぶつ虐待でしゅ",
    L"むかつきましゅ",
    L"ケッ",
    L"相手にしてくだしゃい",
    L"さみしーでしゅよー",
    L"ピザがたべたいでしゅ",
    L"邪魔しましゅよ？",
    L"イライラ・・・",
    L"むー！",
}};

// One shot in the gun pose: a mark around the pet's corner, a bang, a short hold.
void ShootScreen(WalkState& walk, const PetPorts& ports);
// Twenty shots in the automatic-gun pose.
void ShootVolley(WalkState& walk, const PetPorts& ports);
// A bleat and a modal message box with one of boxLines.
void GrumbleBox(const PetPorts& ports);
// Gives the user's window one of titleLines; the old title is gone for good.
void RetitleWindow(WindowRef foreground, const PetPorts& ports);
// Minimises the user's window and leaves the pet standing with its timer stopped.
void MinimiseWindow(WindowRef foreground, WalkState& walk, const PetPorts& ports, BehaviourTimer& timer);

}  // namespace pomki
