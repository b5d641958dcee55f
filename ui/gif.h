// The donation picture's file format, read without OLE: decoding the small
// GIF here takes microseconds, where loading OLE's decoder would delay the
// window's first appearance. Portable, so that it is tested anywhere.
#pragma once

#include <cstdint>
#include <span>

namespace brevlin::ui {

struct ImageSize {
    int width = 0;
    int height = 0;
};

// The memory for an image of this size, width times height pixels, or
// none; `context` is what the caller handed DrawGif.
using PixelsFor = std::span<std::uint32_t>(void* context, ImageSize size);

// Draws the first image of a GIF file into the memory `pixels_for` gives
// for its size: 0x00RRGGBB, row by row from the top, in the image's own
// colour table, else the file's. False, the memory perhaps partly drawn,
// for what is not a whole image it can draw: bytes cut short, a code or a
// colour the file does not define, an interlaced image, one of no pixels or
// of more than a million.
bool DrawGif(std::span<const std::uint8_t> file, PixelsFor* pixels_for, void* context);

}  // namespace brevlin::ui
