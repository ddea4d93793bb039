// A publisher's picture file read whole, and a PNG stream decoded by the
// system's Windows Imaging Component into RGBA pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "maker/icon_image.h"

enum class FileReading { read, missing, tooLarge, failed };

// Reads the whole file; `error` is the system's error code of a failure.
FileReading readPictureFile(const std::wstring& path, std::vector<std::uint8_t>& bytes, unsigned long& error);

enum class PngDecoding { decoded, wrongShape, damaged, noDecoder };

// Decodes a PNG stream to 8-bit RGBA whatever its colour type and depth. Its
// size is checked with pictureShape before any pixel is decoded: a picture
// of the wrong shape gives wrongShape with only its width and height set.
PngDecoding decodePng(const std::uint8_t* data, std::size_t size, RgbaPicture& picture);
