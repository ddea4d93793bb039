#include "maker/PictureFile.h"

#include <windows.h>
#include <wincodec.h>

#include <limits>

#include "core/HandleOwners.h"

namespace {

// Pictures are small: a file past this is no icon a publisher means.
constexpr std::uint64_t largestPictureFileBytes = 64ull * 1024 * 1024;

// Releases a COM interface at the end of its scope.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    Interface** out() { return &pointer_; }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace

FileReading readPictureFile(const std::wstring& path, std::vector<std::uint8_t>& bytes, unsigned long& error) {
    error = 0;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileReading::missing
                                                                             : FileReading::failed;
    }
    const UniqueHandle owner(file);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        error = GetLastError();
        return FileReading::failed;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > largestPictureFileBytes) {
        return FileReading::tooLarge;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr)) {
            error = GetLastError();
            return FileReading::failed;
        }
        if (got == 0) {
            break;  // cut short meanwhile: what was read is the picture
        }
        done += got;
    }
    bytes.resize(done);
    return FileReading::read;
}

PngDecoding decodePng(const std::uint8_t* data, std::size_t size, RgbaPicture& picture) {
    if (size > std::numeric_limits<DWORD>::max()) {
        return PngDecoding::damaged;
    }
    // COM for this thread, for as long as the decoding: windowscodecs comes
    // from the system folder through its registration, never by name.
    const ComApartment apartment;
    ComPointer<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out())))) {
        return PngDecoding::noDecoder;
    }
    ComPointer<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size)))) {
        return PngDecoding::noDecoder;
    }
    // The PNG decoder by name: a BMP or JPEG stream is not taken for a picture here.
    ComPointer<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.out()))) {
        return PngDecoding::noDecoder;
    }
    if (FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) {
        return PngDecoding::damaged;
    }
    ComPointer<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&width, &height))) {
        return PngDecoding::damaged;
    }
    picture = {width, height, {}};
    if (pictureShape(width, height) != PictureShape::fits) {
        return PngDecoding::wrongShape;
    }
    // Every colour type and depth (palette, grey, 16 bits a channel, with or
    // without alpha) converted to 8-bit BGRA, not premultiplied.
    ComPointer<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom))) {
        return PngDecoding::damaged;
    }
    picture.pixels.resize(std::size_t{width} * height * 4);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(picture.pixels.size()),
                                     picture.pixels.data()))) {
        picture.pixels.clear();
        return PngDecoding::damaged;
    }
    for (std::size_t at = 0; at < picture.pixels.size(); at += 4) {
        std::swap(picture.pixels[at], picture.pixels[at + 2]);  // BGRA to RGBA
    }
    return PngDecoding::decoded;
}
