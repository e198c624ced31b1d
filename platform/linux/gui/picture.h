// The program's picture, shown in the Preferences dialog: the 64x65
// 256-colour bitmap resources/picture.bmp, compiled into the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class Fl_RGB_Image;

namespace tickwell::linux_gui {

// The bytes of resources/picture.bmp (generated at build time).
extern const unsigned char kPictureBmp[];
extern const std::size_t kPictureBmpSize;

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, top row first
};

// Decodes an uncompressed 8-bit (palette) or 24-bit Windows bitmap file.
// False for anything else, or for a file that is cut short.
bool DecodeBmp(const unsigned char* data, std::size_t size, DecodedPicture* picture);

// The picture as an FLTK image; null when it can't be decoded.
std::unique_ptr<Fl_RGB_Image> LoadPicture();

}  // namespace tickwell::linux_gui
