// A small reader of uncompressed BMP files (24-bit, or 1/4/8-bit with a palette) into a
// bottom-up buffer of 0x00RRGGBB words, the layout the sprite scanner reads. For tests and
// benchmarks only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace pomki::bmp {

struct Image {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<std::uint32_t> pixels;  // bottom-up: pixels[0] is the bottom-left pixel

    // The pixel at (x, y) with y counted from the top, as on screen.
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

namespace detail {

inline std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

}  // namespace detail

// Decodes a whole BMP file image; nothing when it is not one this reader understands or
// when any part of it lies outside the data.
inline std::optional<Image> Decode(const std::vector<std::uint8_t>& b) {
    using detail::Le;
    constexpr std::size_t kFileHeader = 14;
    if (b.size() < kFileHeader + 40 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
    const std::size_t dataOffset = Le(b, 10, 4);
    const std::size_t infoSize = Le(b, 14, 4);
    const auto width = static_cast<std::int32_t>(Le(b, 18, 4));
    const auto rawHeight = static_cast<std::int32_t>(Le(b, 22, 4));
    const int bits = static_cast<int>(Le(b, 28, 2));
    const std::uint32_t compression = Le(b, 30, 4);
    const std::size_t coloursUsed = Le(b, 46, 4);
    if (infoSize < 40 || compression != 0 || width <= 0 || rawHeight == 0 ||
        rawHeight == INT32_MIN || width > 65536 || rawHeight > 65536 || rawHeight < -65536) {
        return std::nullopt;
    }
    if (bits != 24 && bits != 8 && bits != 4 && bits != 1) return std::nullopt;
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;

    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        const std::size_t entries = coloursUsed != 0 ? coloursUsed : (std::size_t{1} << bits);
        const std::size_t paletteAt = kFileHeader + infoSize;
        if (entries > 256 || paletteAt + entries * 4 > b.size()) return std::nullopt;
        for (std::size_t i = 0; i < entries; ++i) {
            palette.push_back(Le(b, paletteAt + i * 4, 3));  // B, G, R -> 0x00RRGGBB
        }
    }

    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (dataOffset > b.size() || (b.size() - dataOffset) / stride < static_cast<std::size_t>(height)) {
        return std::nullopt;
    }

    Image image{width, height, bits, {}};
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        // Row `row` of the output counts from the bottom; a top-down file is read backwards.
        const int fileRow = bottomUp ? row : height - 1 - row;
        const std::size_t at = dataOffset + static_cast<std::size_t>(fileRow) * stride;
        for (int x = 0; x < width; ++x) {
            std::uint32_t word = 0;
            if (bits == 24) {
                word = Le(b, at + static_cast<std::size_t>(x) * 3, 3);
            } else {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                const unsigned byte = b[at + bit / 8];
                const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
                const std::size_t index = (byte >> shift) & ((1u << bits) - 1);
                if (index >= palette.size()) return std::nullopt;
                word = palette[index];
            }
            image.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)] = word;
        }
    }
    return image;
}

inline std::optional<Image> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    return Decode(bytes);
}

}  // namespace pomki::bmp
