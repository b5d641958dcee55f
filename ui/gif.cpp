#include "ui/gif.h"

#include <array>
#include <cstring>
#include <memory>

namespace brevlin::ui {
namespace {

constexpr std::size_t kMaxPixels = std::size_t{1} << 20;
constexpr int kMaxCodes = 4096;  // LZW codes are at most 12 bits wide

// Reads a file front to back; past its end every read gives 0 and the
// reader is no longer ok.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    int Byte() {
        if (at_ < bytes_.size()) return bytes_[at_++];
        ok_ = false;
        return 0;
    }
    int Word() {
        const int low = Byte();
        return low | Byte() << 8;
    }
    // Past the end, the next read finds it.
    void Skip(int count) { at_ += static_cast<std::size_t>(count); }
    // Skips a run of sub-blocks, each led by its length, up to the empty one.
    void SkipBlocks() {
        while (const int length = Byte()) Skip(length);
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

struct ColourTable {
    std::array<std::uint32_t, 256> colours;
    std::size_t size = 0;
};

// A table of 2, 4, ... 256 colours, if the flags say one follows; else the
// table stays as it is.
void ReadColours(Reader& file, int flags, ColourTable& table) {
    if (!(flags & 0x80)) return;
    table.size = std::size_t{2} << (flags & 7);
    for (std::size_t i = 0; i < table.size; ++i) {
        const int red = file.Byte(), green = file.Byte();
        table.colours[i] = static_cast<std::uint32_t>(red << 16 | green << 8 | file.Byte());
    }
}

// The first image: its size, the width of its first codes and its colours;
// the file is then at its codes. False if the file has none that Unpack can
// draw.
bool FindImage(Reader& file, ImageSize& size, int& min_width, ColourTable& table) {
    // The signature, and the size of the screen the file was made for,
    // which the image need not fill.
    file.Skip(10);
    const int screen_flags = file.Byte();
    file.Skip(2);  // background colour, aspect ratio
    ReadColours(file, screen_flags, table);
    for (int block = file.Byte(); file.ok(); block = file.Byte()) {
        if (block == 0x21) {  // an extension: its label, then its blocks
            file.Byte();
            file.SkipBlocks();
            continue;
        }
        if (block != 0x2C) return false;  // the trailer, before any image
        file.Skip(4);                     // the image's place on that screen
        size.width = file.Word();
        size.height = file.Word();
        const int flags = file.Byte();
        ReadColours(file, flags, table);
        min_width = file.Byte();
        const std::size_t count = std::size_t(size.width) * std::size_t(size.height);
        return file.ok() && !(flags & 0x40) && count > 0 && count <= kMaxPixels;
    }
    return false;
}

// LZW as GIF uses it: codes packed least significant bit first into a run
// of sub-blocks, each code one bit wider once the table fills the width.
// Fills `out` with the colours of the codes' strings exactly, or fails.
bool Unpack(Reader& file, int min_width, const ColourTable& table, std::span<std::uint32_t> out) {
    if (min_width < 2 || min_width > 8) return false;
    const int clear = 1 << min_width;
    // Each code's string is its prefix's string and one byte more.
    struct Strings {
        std::array<std::uint16_t, kMaxCodes> prefix;
        std::array<std::uint8_t, kMaxCodes> last;
        std::array<std::uint8_t, kMaxCodes> reversed;  // one code's string, last byte first
    };
    const auto strings = std::make_unique_for_overwrite<Strings>();
    auto& [prefix, last, reversed] = *strings;
    for (int code = 0; code < clear; ++code) last[code] = static_cast<std::uint8_t>(code);
    int width = min_width + 1, next = clear + 2, previous = -1;
    int block_left = 0, bits = 0;
    std::uint32_t pending = 0;
    std::size_t filled = 0;
    while (filled < out.size()) {
        while (bits < width) {
            if (block_left == 0 && (block_left = file.Byte()) == 0) return false;
            --block_left;
            pending |= static_cast<std::uint32_t>(file.Byte()) << bits;
            bits += 8;
        }
        const int code = static_cast<int>(pending & ((1u << width) - 1));
        pending >>= width;
        bits -= width;
        if (code == clear) {
            width = min_width + 1, next = clear + 2, previous = -1;
            continue;
        }
        // The end code, or one the table does not hold yet.
        if (code == clear + 1 || code > next || (previous < 0 && code >= clear)) return false;
        // A code one past the table is the previous string and its first byte.
        std::size_t length = code == next ? 1 : 0;
        for (int walk = code == next ? previous : code;; walk = prefix[walk]) {
            reversed[length++] = last[walk];
            if (walk < clear) break;
        }
        const std::uint8_t first = reversed[length - 1];
        if (code == next) reversed[0] = first;
        if (length > out.size() - filled) return false;
        while (length > 0) {
            const std::uint8_t index = reversed[--length];
            if (index >= table.size) return false;
            out[filled++] = table.colours[index];
        }
        if (previous >= 0 && next < kMaxCodes) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            last[next] = first;
            if (++next == 1 << width && width < 12) ++width;
        }
        previous = code;
    }
    return file.ok();  // past the file's end, every code was 0
}

}  // namespace

bool DrawGif(std::span<const std::uint8_t> file, PixelsFor* pixels_for, void* context) {
    if (file.size() < 6 || std::memcmp(file.data(), "GIF8", 4) != 0) return false;
    Reader reader(file);
    ImageSize size;
    int min_width = 0;
    ColourTable table;
    if (!FindImage(reader, size, min_width, table)) return false;
    const std::span<std::uint32_t> pixels = pixels_for(context, size);
    return pixels.size() == std::size_t(size.width) * std::size_t(size.height) &&
           Unpack(reader, min_width, table, pixels);
}

}  // namespace brevlin::ui
