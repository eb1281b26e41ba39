#include "desktop/icofile.h"

namespace icofile {
namespace {

void put16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// The directory stores 256 as 0.
std::uint8_t dimension(int value)
{
    return static_cast<std::uint8_t>(value >= 256 ? 0 : value);
}

} // namespace

std::vector<std::uint8_t> write(const Image& image)
{
    std::vector<std::uint8_t> out;
    out.reserve(22 + image.data.size());
    put16(out, 0); // reserved
    put16(out, 1); // icon
    put16(out, 1); // one image
    out.push_back(dimension(image.width));
    out.push_back(dimension(image.height));
    out.push_back(static_cast<std::uint8_t>(image.colorCount));
    out.push_back(0);
    put16(out, static_cast<unsigned>(image.planes));
    put16(out, static_cast<unsigned>(image.bitCount));
    put32(out, static_cast<std::uint32_t>(image.data.size()));
    put32(out, 22); // the image follows the directory
    out.insert(out.end(), image.data.begin(), image.data.end());
    return out;
}

Image fromArgb(int width, int height, const std::uint32_t* pixels)
{
    Image image;
    image.width = width;
    image.height = height;
    std::vector<std::uint8_t>& dib = image.data;
    const int maskStride = ((width + 31) / 32) * 4;
    put32(dib, 40);
    put32(dib, static_cast<std::uint32_t>(width));
    put32(dib, static_cast<std::uint32_t>(2 * height)); // colour rows and mask rows
    put16(dib, 1);
    put16(dib, 32);
    put32(dib, 0); // uncompressed
    put32(dib, static_cast<std::uint32_t>(width * height * 4 + maskStride * height));
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            put32(dib, pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x]);
    }
    // Alpha carries the transparency; the AND mask is only set where a pixel is fully clear.
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(maskStride), 0);
        for (int x = 0; x < width; ++x) {
            if ((pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x] >> 24) == 0)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        dib.insert(dib.end(), row.begin(), row.end());
    }
    return image;
}

} // namespace icofile
