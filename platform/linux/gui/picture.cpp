#include "platform/linux/gui/picture.h"

#include <FL/Fl_RGB_Image.H>

#include <cstring>

namespace tickwell::linux_gui {

namespace {

std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Read16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::size_t kFileHeaderSize = 14;
constexpr int kMaxSide = 4096;

}  // namespace

bool DecodeBmp(const unsigned char* data, std::size_t size, DecodedPicture* picture) {
    if (data == nullptr || size < kFileHeaderSize + 40 || data[0] != 'B' || data[1] != 'M')
        return false;
    const std::uint32_t pixelOffset = Read32(data + 10);
    const unsigned char* info = data + kFileHeaderSize;
    const std::uint32_t infoSize = Read32(info);
    const auto width = static_cast<std::int32_t>(Read32(info + 4));
    const auto rawHeight = static_cast<std::int32_t>(Read32(info + 8));
    const std::uint16_t bitCount = Read16(info + 14);
    const std::uint32_t compression = Read32(info + 16);
    std::uint32_t colours = Read32(info + 32);
    if (infoSize < 40 || compression != 0 || (bitCount != 8 && bitCount != 24)) return false;
    const bool bottomUp = rawHeight > 0;
    const std::int32_t height = bottomUp ? rawHeight : -rawHeight;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;

    const unsigned char* palette = info + infoSize;
    if (bitCount == 8) {
        if (colours == 0 || colours > 256) colours = 256;
        if (kFileHeaderSize + infoSize + colours * 4 > size) return false;
    }
    const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
    if (pixelOffset > size || rowBytes * static_cast<std::size_t>(height) > size - pixelOffset)
        return false;

    picture->width = width;
    picture->height = height;
    picture->rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    for (std::int32_t row = 0; row < height; ++row) {
        const std::int32_t fileRow = bottomUp ? height - 1 - row : row;
        const unsigned char* source = data + pixelOffset + rowBytes * fileRow;
        std::uint8_t* target = picture->rgb.data() + static_cast<std::size_t>(row) * width * 3;
        for (std::int32_t column = 0; column < width; ++column) {
            const unsigned char* bgr = nullptr;
            if (bitCount == 8) {
                const unsigned index = source[column];
                if (index >= colours) continue;  // left black
                bgr = palette + index * 4;
            } else {
                bgr = source + column * 3;
            }
            target[column * 3 + 0] = bgr[2];
            target[column * 3 + 1] = bgr[1];
            target[column * 3 + 2] = bgr[0];
        }
    }
    return true;
}

std::unique_ptr<Fl_RGB_Image> LoadPicture() {
    static DecodedPicture picture;
    if (picture.rgb.empty() && !DecodeBmp(kPictureBmp, kPictureBmpSize, &picture)) return nullptr;
    return std::make_unique<Fl_RGB_Image>(picture.rgb.data(), picture.width, picture.height, 3);
}

}  // namespace tickwell::linux_gui
