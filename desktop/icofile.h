#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The Windows icon (.ico) file format, one image per file.
namespace icofile {

struct Image {
    int width = 0;  // 1 to 256
    int height = 0; // 1 to 256
    int colorCount = 0;
    int planes = 1;
    int bitCount = 32;
    std::vector<std::uint8_t> data; // a DIB without file header, or a PNG file
};

std::vector<std::uint8_t> write(const Image& image);

// A 32-bit DIB image of `width` x `height` pixels given as top-down 0xAARRGGBB rows.
Image fromArgb(int width, int height, const std::uint32_t* pixels);

} // namespace icofile
