// Image commands of the test driver: a window's region as a set of pixels, the pixels of a
// bitmap resource of an exe read straight from its DIB bytes, and a listing of an exe's
// bitmaps, icons and sounds.
#include "driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <set>
#include <utility>

namespace e2e {

namespace {

using PixelSet = std::set<std::pair<int, int>>;  // (x, y), y growing downward

// An exe opened for its resources only; its code is never run.
class ResourceModule {
public:
    explicit ResourceModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
        if (!module_) throw std::runtime_error("cannot open the resources of " + Utf8(path));
    }
    ~ResourceModule() { FreeLibrary(module_); }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    HMODULE Get() const { return module_; }

    // The bytes of a resource, or an empty view when there is none.
    std::string_view Bytes(const wchar_t* type, const wchar_t* name, WORD language = 0) const {
        HRSRC info = language ? FindResourceExW(module_, type, name, language) : FindResourceW(module_, name, type);
        if (!info) return {};
        HGLOBAL loaded = LoadResource(module_, info);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) return {};
        return {static_cast<const char*>(data), SizeofResource(module_, info)};
    }

private:
    HMODULE module_;
};

template <typename T>
T ReadAt(std::string_view bytes, size_t offset) {
    if (offset + sizeof(T) > bytes.size()) throw std::runtime_error("resource data too short");
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// A bitmap resource decoded into 0x00RRGGBB words, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    uint32_t BottomLeft() const { return At(0, height - 1); }
};

// Reads the DIB of a bitmap resource by hand: BITMAPINFOHEADER, colour table, rows.
Picture DecodeBitmap(std::string_view dib) {
    const auto headerSize = ReadAt<uint32_t>(dib, 0);
    const auto width = ReadAt<int32_t>(dib, 4);
    const auto rawHeight = ReadAt<int32_t>(dib, 8);
    const auto bits = ReadAt<uint16_t>(dib, 14);
    const auto compression = ReadAt<uint32_t>(dib, 16);
    const auto coloursUsed = ReadAt<uint32_t>(dib, 32);
    if (width <= 0 || rawHeight == 0) throw std::runtime_error("bitmap has no pixels");
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && bits == 32)) {
        throw std::runtime_error("compressed bitmaps are not read");
    }
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    size_t offset = headerSize;
    if (compression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER)) offset += 12;
    std::vector<uint32_t> palette;
    if (bits <= 8) {
        const uint32_t entries = coloursUsed ? coloursUsed : (1u << bits);
        for (uint32_t i = 0; i < entries; ++i) {
            const auto quad = ReadAt<uint32_t>(dib, offset + i * 4);
            palette.push_back(quad & 0x00FFFFFF);  // RGBQUAD: blue, green, red, reserved
        }
        offset += entries * 4;
    }
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    if (offset + stride * static_cast<size_t>(height) > dib.size()) throw std::runtime_error("bitmap rows cut short");
    Picture picture{width, height, bits, std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height))};
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
        const auto* p = reinterpret_cast<const uint8_t*>(dib.data() + row);
        for (int x = 0; x < width; ++x) {
            uint32_t colour = 0;
            switch (bits) {
                case 1: colour = palette.at((p[x / 8] >> (7 - x % 8)) & 1); break;
                case 4: colour = palette.at((p[x / 2] >> (x % 2 ? 0 : 4)) & 0xF); break;
                case 8: colour = palette.at(p[x]); break;
                case 24: colour = p[x * 3] | (p[x * 3 + 1] << 8) | (p[x * 3 + 2] << 16); break;
                case 32: colour = (p[x * 4] | (p[x * 4 + 1] << 8) | (p[x * 4 + 2] << 16)); break;
                default: throw std::runtime_error("unsupported bits per pixel: " + std::to_string(bits));
            }
            picture.pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = colour;
        }
    }
    return picture;
}

Picture LoadPicture(const Args& args) {
    ResourceModule module(args.Required(L"exe"));
    const auto id = static_cast<WORD>(args.RequiredNum(L"bitmap"));
    const std::string_view dib = module.Bytes(RT_BITMAP, MAKEINTRESOURCEW(id));
    if (dib.empty()) throw std::runtime_error("no bitmap resource " + std::to_string(id));
    return DecodeBitmap(dib);
}

// The pixels of the picture whose colour differs from its bottom-left pixel.
PixelSet SpritePixels(const Picture& picture) {
    PixelSet set;
    const uint32_t key = picture.BottomLeft();
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.At(x, y) != key) set.emplace(x, y);
        }
    }
    return set;
}

struct WindowRegion {
    int kind = ERROR;  // the result of GetWindowRgn
    RECT box{};
    std::vector<RECT> rects;
    PixelSet pixels;
};

WindowRegion ReadWindowRegion(HWND hwnd) {
    WindowRegion region;
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    region.kind = GetWindowRgn(hwnd, rgn);
    if (region.kind != ERROR) {
        GetRgnBox(rgn, &region.box);
        const DWORD size = GetRegionData(rgn, 0, nullptr);
        std::vector<char> data(size);
        if (size && GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(data.data()))) {
            const auto* header = reinterpret_cast<const RGNDATA*>(data.data());
            const auto* rects = reinterpret_cast<const RECT*>(header->Buffer);
            region.rects.assign(rects, rects + header->rdh.nCount);
        }
        for (const RECT& r : region.rects) {
            for (LONG y = r.top; y < r.bottom; ++y) {
                for (LONG x = r.left; x < r.right; ++x) region.pixels.emplace(x, y);
            }
        }
    }
    DeleteObject(rgn);
    return region;
}

const char* RegionKindName(int kind) {
    switch (kind) {
        case NULLREGION: return "empty";
        case SIMPLEREGION: return "simple";
        case COMPLEXREGION: return "complex";
        default: return "none";
    }
}

std::string PointList(const PixelSet& points, size_t limit) {
    std::string out = "[";
    size_t n = 0;
    for (const auto& [x, y] : points) {
        if (n++ == limit) break;
        out += (out.size() > 1 ? ",[" : "[") + std::to_string(x) + "," + std::to_string(y) + "]";
    }
    return out + "]";
}

// Rows of '#' (in the set) and '.' (not), covering (0, 0) to the given size.
std::string MaskRows(const PixelSet& set, int width, int height) {
    std::string out = "[";
    for (int y = 0; y < height; ++y) {
        std::string row(static_cast<size_t>(width), '.');
        for (int x = 0; x < width; ++x) {
            if (set.count({x, y})) row[static_cast<size_t>(x)] = '#';
        }
        out += (y ? ",\"" : "\"") + row + "\"";
    }
    return out + "]";
}

// ---- commands ----

int CmdRegion(const Args& args) {
    HWND hwnd = args.Hwnd();
    if (!IsWindow(hwnd)) throw std::runtime_error("no such window");
    const WindowRegion region = ReadWindowRegion(hwnd);
    Json json;
    json.Add("hwnd", HwndNumber(hwnd))
        .Add("kind", RegionKindName(region.kind))
        .Add("box", region.box)
        .Add("rects", static_cast<int64_t>(region.rects.size()))
        .Add("pixels", static_cast<int64_t>(region.pixels.size()));
    if (args.Has(L"mask")) json.Raw("mask", MaskRows(region.pixels, region.box.right, region.box.bottom));
    if (args.Has(L"list")) {
        std::string list = "[";
        for (const RECT& r : region.rects) list += (list.size() > 1 ? "," : "") + JsonRect(r);
        json.Raw("list", list + "]");
    }
    Emit(json.Text());
    return region.kind == ERROR ? kQueryFailed : kOk;
}

int CmdBitmapPixels(const Args& args) {
    const Picture picture = LoadPicture(args);
    std::string rows = "[";
    char hex[8];
    for (int y = 0; y < picture.height; ++y) {
        std::string row;
        for (int x = 0; x < picture.width; ++x) {
            std::snprintf(hex, sizeof hex, "%06x", picture.At(x, y));
            row += hex;
        }
        rows += (y ? ",\"" : "\"") + row + "\"";
    }
    char key[8];
    std::snprintf(key, sizeof key, "%06x", picture.BottomLeft());
    Emit(Json()
             .Add("width", picture.width)
             .Add("height", picture.height)
             .Add("bpp", picture.bitsPerPixel)
             .Add("key", std::string(key))
             .Raw("mask", MaskRows(SpritePixels(picture), picture.width, picture.height))
             .Raw("rows", rows + "]")
             .Text());
    return kOk;
}

// The window's region against the bitmap's non-key pixels, placed at (--dx, --dy) in window
// coordinates. Exit code 0 only when the two sets are equal.
int CmdCompareRegion(const Args& args) {
    HWND hwnd = args.Hwnd();
    if (!IsWindow(hwnd)) throw std::runtime_error("no such window");
    const Picture picture = LoadPicture(args);
    const int dx = static_cast<int>(args.Num(L"dx", 0));
    const int dy = static_cast<int>(args.Num(L"dy", 0));
    PixelSet expected;
    for (const auto& [x, y] : SpritePixels(picture)) expected.emplace(x + dx, y + dy);
    const WindowRegion region = ReadWindowRegion(hwnd);
    PixelSet missing;  // expected, not in the region
    PixelSet extra;    // in the region, not expected
    std::set_difference(expected.begin(), expected.end(), region.pixels.begin(), region.pixels.end(),
                        std::inserter(missing, missing.end()));
    std::set_difference(region.pixels.begin(), region.pixels.end(), expected.begin(), expected.end(),
                        std::inserter(extra, extra.end()));
    const bool same = region.kind != ERROR && missing.empty() && extra.empty();
    Emit(Json()
             .Add("hwnd", HwndNumber(hwnd))
             .Add("match", same)
             .Add("kind", RegionKindName(region.kind))
             .Add("region_pixels", static_cast<int64_t>(region.pixels.size()))
             .Add("expected_pixels", static_cast<int64_t>(expected.size()))
             .Add("missing_count", static_cast<int64_t>(missing.size()))
             .Add("extra_count", static_cast<int64_t>(extra.size()))
             .Raw("missing", PointList(missing, 20))
             .Raw("extra", PointList(extra, 20))
             .Add("box", region.box)
             .Text());
    return same ? kOk : kQueryFailed;
}

std::string ResourceName(const wchar_t* name) {
    if (IS_INTRESOURCE(name)) return std::to_string(reinterpret_cast<uintptr_t>(name));
    return JsonString(std::wstring_view(name));
}

struct ResourceEntry {
    std::wstring typeName;  // empty for an integer type
    WORD typeId = 0;
    std::wstring name;  // empty for an integer name
    WORD id = 0;
    WORD language = 0;

    const wchar_t* Type() const { return typeName.empty() ? MAKEINTRESOURCEW(typeId) : typeName.c_str(); }
    const wchar_t* Name() const { return name.empty() ? MAKEINTRESOURCEW(id) : name.c_str(); }
};

std::vector<ResourceEntry> ListResources(HMODULE module) {
    std::vector<ResourceEntry> entries;
    std::vector<ResourceEntry> types;
    EnumResourceTypesW(
        module,
        [](HMODULE, LPWSTR type, LONG_PTR lp) -> BOOL {
            ResourceEntry e;
            if (IS_INTRESOURCE(type)) e.typeId = static_cast<WORD>(reinterpret_cast<uintptr_t>(type));
            else e.typeName = type;
            reinterpret_cast<std::vector<ResourceEntry>*>(lp)->push_back(e);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&types));
    for (const ResourceEntry& type : types) {
        std::vector<ResourceEntry> names;
        struct NameContext {
            const ResourceEntry* type;
            std::vector<ResourceEntry>* out;
        } nameContext{&type, &names};
        EnumResourceNamesW(
            module, type.Type(),
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR lp) -> BOOL {
                auto* c = reinterpret_cast<NameContext*>(lp);
                ResourceEntry e = *c->type;
                if (IS_INTRESOURCE(name)) e.id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
                else e.name = name;
                c->out->push_back(e);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&nameContext));
        for (const ResourceEntry& named : names) {
            struct LangContext {
                const ResourceEntry* named;
                std::vector<ResourceEntry>* out;
            } langContext{&named, &entries};
            EnumResourceLanguagesW(
                module, named.Type(), named.Name(),
                [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR lp) -> BOOL {
                    auto* c = reinterpret_cast<LangContext*>(lp);
                    ResourceEntry e = *c->named;
                    e.language = language;
                    c->out->push_back(e);
                    return TRUE;
                },
                reinterpret_cast<LONG_PTR>(&langContext));
        }
    }
    return entries;
}

std::string Upper(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towupper(c));
    return Utf8(s);
}

// The fields of a RIFF/WAVE image: the "fmt " chunk and the size of the "data" chunk.
void AddWaveFields(Json& json, std::string_view bytes) {
    const bool riff = bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WAVE";
    json.Add("riff", riff);
    if (!riff) return;
    json.Add("riff_size", static_cast<int64_t>(ReadAt<uint32_t>(bytes, 4)));
    size_t offset = 12;
    while (offset + 8 <= bytes.size()) {
        const std::string_view id = bytes.substr(offset, 4);
        const auto size = ReadAt<uint32_t>(bytes, offset + 4);
        if (id == "fmt ") {
            json.Add("format", static_cast<int64_t>(ReadAt<uint16_t>(bytes, offset + 8)))
                .Add("channels", static_cast<int64_t>(ReadAt<uint16_t>(bytes, offset + 10)))
                .Add("rate", static_cast<int64_t>(ReadAt<uint32_t>(bytes, offset + 12)))
                .Add("byte_rate", static_cast<int64_t>(ReadAt<uint32_t>(bytes, offset + 16)))
                .Add("block_align", static_cast<int64_t>(ReadAt<uint16_t>(bytes, offset + 20)))
                .Add("bits", static_cast<int64_t>(ReadAt<uint16_t>(bytes, offset + 22)));
        } else if (id == "data") {
            json.Add("data", static_cast<int64_t>(size));
        }
        offset += 8 + size + (size & 1);
    }
}

int CmdResources(const Args& args) {
    ResourceModule module(args.Required(L"exe"));
    for (const ResourceEntry& e : ListResources(module.Get())) {
        const std::string_view bytes = module.Bytes(e.Type(), e.Name(), e.language);
        Json json;
        if (e.typeName.empty()) json.Add("type", static_cast<int64_t>(e.typeId));
        else json.Add("type", Upper(e.typeName));
        json.Raw("id", ResourceName(e.Name())).Add("lang", static_cast<int64_t>(e.language)).Add("size", static_cast<int64_t>(bytes.size()));
        try {
            if (e.typeName.empty() && e.typeId == 2 /* RT_BITMAP */) {
                json.Add("width", static_cast<int64_t>(ReadAt<int32_t>(bytes, 4)))
                    .Add("height", static_cast<int64_t>(std::abs(ReadAt<int32_t>(bytes, 8))))
                    .Add("bpp", static_cast<int64_t>(ReadAt<uint16_t>(bytes, 14)))
                    .Add("compression", static_cast<int64_t>(ReadAt<uint32_t>(bytes, 16)));
            } else if (e.typeName.empty() && e.typeId == 14 /* RT_GROUP_ICON */) {
                const auto count = ReadAt<uint16_t>(bytes, 4);
                std::string images = "[";
                for (uint16_t i = 0; i < count; ++i) {
                    const size_t at = 6 + static_cast<size_t>(i) * 14;  // GRPICONDIRENTRY, packed
                    const auto w = ReadAt<uint8_t>(bytes, at);
                    const auto h = ReadAt<uint8_t>(bytes, at + 1);
                    Json image;
                    image.Add("width", static_cast<int64_t>(w ? w : 256))
                        .Add("height", static_cast<int64_t>(h ? h : 256))
                        .Add("colors", static_cast<int64_t>(ReadAt<uint8_t>(bytes, at + 2)))
                        .Add("bpp", static_cast<int64_t>(ReadAt<uint16_t>(bytes, at + 6)))
                        .Add("icon_id", static_cast<int64_t>(ReadAt<uint16_t>(bytes, at + 12)));
                    // The image itself: a DIB whose height counts the AND mask too.
                    const std::string_view dib = module.Bytes(RT_ICON, MAKEINTRESOURCEW(ReadAt<uint16_t>(bytes, at + 12)));
                    if (dib.size() >= 40 && ReadAt<uint32_t>(dib, 0) == 40) {
                        image.Add("dib_width", static_cast<int64_t>(ReadAt<int32_t>(dib, 4)))
                            .Add("dib_height", static_cast<int64_t>(ReadAt<int32_t>(dib, 8) / 2))
                            .Add("dib_bpp", static_cast<int64_t>(ReadAt<uint16_t>(dib, 14)));
                    } else if (dib.substr(0, 4) == "\x89PNG") {
                        image.Add("png", true);  // a compressed image: no DIB header to read
                    }
                    images += (images.size() > 1 ? "," : "") + image.Text();
                }
                json.Raw("images", images + "]");
            } else if (!e.typeName.empty()) {
                AddWaveFields(json, bytes);
            }
        } catch (const std::exception& ex) {
            json.Add("error", std::string(ex.what()));
        }
        Emit(json.Text());
    }
    return kOk;
}

// One state of a window, read in a single request: its rectangle, its flags, its place in the
// z-order and its region. The reads are repeated until two rounds in a row agree, so that a
// window being reshaped and placed by another thread is never reported half-way through one
// of its calls (up to 20 rounds; "settled" says whether they agreed).
struct WindowState {
    RECT rect{};
    bool visible = false;
    bool topmost = false;
    bool iconic = false;
    bool foreground = false;
    int above = 0;  // visible top-level windows above it
    int below = 0;  // visible top-level windows below it
    int regionKind = ERROR;
    std::vector<RECT> rects;
    bool otherAbove = false;  // watch --other: that window is above this one in the z-order

    bool operator==(const WindowState& o) const {
        if (!EqualRect(&rect, &o.rect) || visible != o.visible || topmost != o.topmost || iconic != o.iconic ||
            foreground != o.foreground || above != o.above || below != o.below || regionKind != o.regionKind ||
            otherAbove != o.otherAbove || rects.size() != o.rects.size()) {
            return false;
        }
        for (size_t i = 0; i < rects.size(); ++i) {
            if (!EqualRect(&rects[i], &o.rects[i])) return false;
        }
        return true;
    }
};

// Whether `upper` comes before `lower` among the top-level windows, nearest the top first.
bool IsAbove(HWND upper, HWND lower) {
    for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        if (w == upper) return true;
    }
    return false;
}

WindowState ReadWindowState(HWND hwnd) {
    WindowState state;
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    state.regionKind = GetWindowRgn(hwnd, rgn);
    if (state.regionKind != ERROR) {
        const DWORD size = GetRegionData(rgn, 0, nullptr);
        std::vector<char> data(size);
        if (size && GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(data.data()))) {
            const auto* header = reinterpret_cast<const RGNDATA*>(data.data());
            const auto* rects = reinterpret_cast<const RECT*>(header->Buffer);
            state.rects.assign(rects, rects + header->rdh.nCount);
        }
    }
    DeleteObject(rgn);
    GetWindowRect(hwnd, &state.rect);
    state.visible = IsWindowVisible(hwnd) != FALSE;
    state.iconic = IsIconic(hwnd) != FALSE;
    state.topmost = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    state.foreground = GetForegroundWindow() == hwnd;
    for (HWND w = GetWindow(hwnd, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) state.above += IsWindowVisible(w) ? 1 : 0;
    for (HWND w = GetWindow(hwnd, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT)) state.below += IsWindowVisible(w) ? 1 : 0;
    return state;
}

int CmdSample(const Args& args) {
    HWND hwnd = args.Hwnd();
    if (!IsWindow(hwnd)) throw std::runtime_error("no such window");
    WindowState state = ReadWindowState(hwnd);
    bool settled = false;
    int rounds = 1;
    while (!settled && rounds < 20) {
        WindowState again = ReadWindowState(hwnd);
        ++rounds;
        settled = again == state;
        state = std::move(again);
    }
    std::string list = "[";
    for (const RECT& r : state.rects) list += (list.size() > 1 ? "," : "") + JsonRect(r);
    Emit(Json()
             .Add("hwnd", HwndNumber(hwnd))
             .Add("rect", state.rect)
             .Add("visible", state.visible)
             .Add("iconic", state.iconic)
             .Add("topmost", state.topmost)
             .Add("foreground", state.foreground)
             .Add("above", state.above)
             .Add("below", state.below)
             .Add("region", RegionKindName(state.regionKind))
             .Raw("list", list + "]")
             .Add("settled", settled)
             .Add("rounds", rounds)
             .Text());
    return IsWindow(hwnd) ? kOk : kQueryFailed;
}

// Microseconds on the performance counter.
int64_t Microseconds() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency);
}

// A state read twice in a row alike: nothing changed the window between the reads of any two
// of its parts, so it is one state the window was in, not parts of two. False when the window
// changed at every one of 20 rounds.
bool ReadSettledState(HWND hwnd, WindowState& state) {
    state = ReadWindowState(hwnd);
    for (int rounds = 1; rounds < 20; ++rounds) {
        WindowState again = ReadWindowState(hwnd);
        const bool settled = again == state;
        state = std::move(again);
        if (settled) return true;
    }
    return false;
}

// Samples a window for a while, each sample read as `sample` reads it, and reports each run of
// equal samples once: its first and last samples, each as the time before the read began
// ("first_sent", "last_sent") and after it ended ("first", "last"); then the times the command
// began and ended ("start", "end"). Times are microseconds of the performance counter, one
// clock for every process of the display, so that runs of several requests line up.
int CmdWatch(const Args& args) {
    HWND hwnd = args.Hwnd();
    const int64_t span = args.Num(L"ms", 500) * 1000;
    const DWORD pause = static_cast<DWORD>(args.Num(L"every", 5));
    const int64_t start = Microseconds();
    struct Run {
        WindowState state;
        int64_t firstSent, firstGot, lastSent, lastGot;
        int count;
    };
    std::vector<Run> runs;
    bool gone = false;
    int unsettled = 0;
    HWND other = reinterpret_cast<HWND>(static_cast<intptr_t>(args.Num(L"other", 0)));
    for (;;) {
        const int64_t sent = Microseconds();
        if (!runs.empty() && sent - start > span) break;  // at least one sample
        if (!IsWindow(hwnd)) {
            gone = true;
            break;
        }
        WindowState state;
        if (!ReadSettledState(hwnd, state)) {
            ++unsettled;
            Sleep(pause);
            continue;
        }
        if (other) state.otherAbove = IsAbove(other, hwnd);
        const int64_t got = Microseconds();
        if (!runs.empty() && runs.back().state == state) {
            Run& run = runs.back();
            run.lastSent = sent;
            run.lastGot = got;
            ++run.count;
        } else {
            runs.push_back(Run{std::move(state), sent, got, sent, got, 1});
        }
        Sleep(pause);
    }
    for (const Run& run : runs) {
        std::string list = "[";
        for (const RECT& r : run.state.rects) list += (list.size() > 1 ? "," : "") + JsonRect(r);
        Emit(Json()
                 .Add("first_sent", run.firstSent)
                 .Add("first", run.firstGot)
                 .Add("last_sent", run.lastSent)
                 .Add("last", run.lastGot)
                 .Add("count", run.count)
                 .Add("rect", run.state.rect)
                 .Add("visible", run.state.visible)
                 .Add("topmost", run.state.topmost)
                 .Add("below", run.state.below)
                 .Add("other_above", run.state.otherAbove)
                 .Add("region", RegionKindName(run.state.regionKind))
                 .Raw("list", list + "]")
                 .Text());
    }
    Emit(Json().Add("start", start).Add("end", Microseconds()).Add("gone", gone).Add("unsettled", unsettled).Text());
    return gone ? kQueryFailed : kOk;
}

}  // namespace

std::vector<Command> ImageCommands() {
    return {
        {L"sample", CmdSample,
         "sample --hwnd H: rectangle, visible, iconic, topmost, foreground, windows above and below and region "
         "rectangles, read together until two rounds agree"},
        {L"watch", CmdWatch,
         "watch --hwnd H [--ms 500] [--every 5] [--other W]: samples as `sample` reads them for a while (only states "
         "read alike twice in a row), one line per run of equal samples, then the start and end (microseconds of the "
         "performance counter); with --other, whether window W is above it"},
        {L"region", CmdRegion, "region --hwnd H [--mask] [--list]: the window region (window coordinates)"},
        {L"bitmap-pixels", CmdBitmapPixels,
         "bitmap-pixels --exe PATH --bitmap ID: size, key colour, mask of non-key pixels, rows of RRGGBB"},
        {L"compare-region", CmdCompareRegion,
         "compare-region --hwnd H --exe PATH --bitmap ID [--dx X --dy Y]: region against the bitmap's non-key pixels"},
        {L"resources", CmdResources, "resources --exe PATH: bitmaps, icon groups, sounds and other resources"},
    };
}

}  // namespace e2e
