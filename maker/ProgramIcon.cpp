#include "maker/ProgramIcon.h"

#include <cstring>

#include "core/decimal_text.h"
#include "maker/PictureFile.h"
#include "maker/icon_image.h"

namespace {

const std::wstring whatToGive = L"アイコンの .ico か .png ファイルを指定してください。";
const std::wstring damagedIco = L".ico ファイルの中身が壊れています。画像ソフトで .ico か .png に保存し直してください。";

std::wstring sizeText(std::uint32_t width, std::uint32_t height) {
    return L"縦横が " + wideDecimalText(width) + L" × " + wideDecimalText(height) + L" で、";
}

std::wstring shapeProblem(PictureShape shape, std::uint32_t width, std::uint32_t height) {
    const std::wstring least = wideDecimalText(programIconSize) + L" × " + wideDecimalText(programIconSize);
    switch (shape) {
    case PictureShape::notSquare:
        return sizeText(width, height) + L"正方形ではありません。" + least + L" 以上の正方形の画像を指定してください。";
    case PictureShape::tooSmall:
        return sizeText(width, height) + L"小さすぎます。" + least + L" 以上の正方形の画像を指定してください。";
    case PictureShape::tooLarge: {
        const std::wstring most = wideDecimalText(largestPictureSize) + L" × " + wideDecimalText(largestPictureSize);
        return sizeText(width, height) + L"大きすぎます。" + most + L" 以下に縮小した画像を指定してください。";
    }
    case PictureShape::fits:
        break;
    }
    return {};
}

bool startsWith(const std::vector<std::uint8_t>& bytes, const char* prefix, std::size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

// What a file that is neither PNG nor .ico holds, for the refusal.
std::wstring notIconProblem(const std::vector<std::uint8_t>& bytes) {
    const wchar_t* kind = nullptr;
    if (startsWith(bytes, "BM", 2)) {
        kind = L"BMP";
    } else if (startsWith(bytes, "\xFF\xD8\xFF", 3)) {
        kind = L"JPEG";
    } else if (startsWith(bytes, "GIF8", 4)) {
        kind = L"GIF";
    }
    if (kind != nullptr) {
        return std::wstring(kind) + L" の画像で、アイコンには使えません。" + whatToGive;
    }
    return L"画像ではありません。" + whatToGive;
}

bool isPng(const std::uint8_t* data, std::size_t size) {
    return size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) == 0;
}

// Decodes the picture (a PNG, or the largest image of an .ico) into `picture`.
bool decodedPicture(const std::vector<std::uint8_t>& bytes, RgbaPicture& picture, std::wstring& problem) {
    const std::uint8_t* png = bytes.data();
    std::size_t pngSize = bytes.size();
    if (!isPng(bytes.data(), bytes.size())) {
        IcoImage image;
        switch (largestIcoImage(bytes.data(), bytes.size(), image)) {
        case IcoReading::read:
            break;
        case IcoReading::notIco:
            problem = notIconProblem(bytes);
            return false;
        case IcoReading::damaged:
            problem = damagedIco;
            return false;
        case IcoReading::unknownBitmap:
            problem = L".ico ファイルの画像が、アイコンに使えない形式 (圧縮や 16 ビット色など) です。"
                      L"画像ソフトで .png に保存し直してください。";
            return false;
        }
        const PictureShape shape = pictureShape(image.width, image.height);
        if (shape != PictureShape::fits) {
            problem = shapeProblem(shape, image.width, image.height);
            return false;
        }
        if (!image.png) {
            if (decodeIcoBitmap(bytes.data(), bytes.size(), image, picture) != IcoReading::read) {
                problem = damagedIco;
                return false;
            }
            return true;
        }
        png = bytes.data() + image.offset;
        pngSize = image.size;
    }
    switch (decodePng(png, pngSize, picture)) {
    case PngDecoding::decoded:
        return true;
    case PngDecoding::wrongShape:
        problem = shapeProblem(pictureShape(picture.width, picture.height), picture.width, picture.height);
        return false;
    case PngDecoding::damaged:
        problem = L"PNG の画像として読み取れません (壊れています)。画像ソフトで .png に保存し直してください。";
        return false;
    case PngDecoding::noDecoder:
        problem = L"この Windows で PNG の画像を読み取れません (Windows Imaging Component が使えません)。"
                  L"アイコンを .ico ファイルにして指定してください。";
        return false;
    }
    return false;
}

}  // namespace

bool programIconFrom(const std::wstring& picturePath, std::uint16_t imageId, ProgramIcon& icon,
                     std::wstring& problem) {
    std::vector<std::uint8_t> bytes;
    unsigned long error = 0;
    switch (readPictureFile(picturePath, bytes, error)) {
    case FileReading::read:
        break;
    case FileReading::missing:
        problem = L"ファイルがありません。" + whatToGive;
        return false;
    case FileReading::tooLarge:
        problem = L"画像ファイルが大きすぎます (64 MB 超)。" + whatToGive;
        return false;
    case FileReading::failed:
        problem = L"ファイルを読み取れません (エラー " + wideDecimalText(error) +
                  L")。ほかのソフトで開いていれば閉じてから、やり直してください。";
        return false;
    }
    RgbaPicture picture;
    if (!decodedPicture(bytes, picture, problem)) {
        return false;
    }
    if (picture.width != programIconSize) {
        picture = scaledToIconSize(picture);
    }
    icon.image = iconImageBytes(picture);
    icon.group = iconGroupBytes(imageId, static_cast<std::uint32_t>(icon.image.size()));
    return true;
}
