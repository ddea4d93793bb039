// The program's icon made from a publisher's picture: one 128 x 128 image in
// 24-bit colour with a 1-bit mask, the form every patch program carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ProgramIcon {
    std::vector<std::uint8_t> image;  // the RT_ICON resource: BITMAPINFOHEADER, colours, mask
    std::vector<std::uint8_t> group;  // the RT_GROUP_ICON resource, naming the image by its id
};

// Reads an .ico or .png picture and makes the icon of it, its image under
// the resource id imageId. On refusal returns false with `problem` saying,
// in Japanese, what is wrong and what to do (the caller names the file).
bool programIconFrom(const std::wstring& picturePath, std::uint16_t imageId, ProgramIcon& icon,
                     std::wstring& problem);
