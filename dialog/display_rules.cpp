#include "dialog/display_rules.h"

int centredOffset(int area, int extent) { return (area - extent) / 2; }

std::wstring driveRootOf(const wchar_t* folderText) {
    std::size_t length = 0;
    while (length < 3 && folderText[length] != L'\0') {
        ++length;
    }
    return std::wstring(folderText, length);
}

std::uint64_t freeKilobytes(const DiskFreeSpace& space) {
    // The figures are whatever the file system reports (a network share
    // gives its own), and their product can pass 64 bits. Kilobytes are
    // worked out without the full product: cluster bytes = 1024 * whole + part,
    // so free KB = whole * clusters + (part * clusters) / 1024; a figure
    // beyond 64 bits shows as the largest one, never wrapped to a small one.
    const std::uint64_t clusterBytes = std::uint64_t{space.bytesPerSector} * space.sectorsPerCluster;
    const std::uint64_t clusters = space.freeClusters;
    const std::uint64_t largest = ~std::uint64_t{0};
    std::uint64_t kilobytes = 0;
    if (__builtin_mul_overflow(wholeKilobytes(clusterBytes), clusters, &kilobytes) ||
        __builtin_add_overflow(kilobytes, wholeKilobytes((clusterBytes & 1023) * clusters), &kilobytes)) {
        return largest;
    }
    return kilobytes;
}

std::string kilobytesText(std::uint64_t bytes) { return decimalText(wholeKilobytes(bytes)) + "KB"; }

std::wstring spaceDisplayText(std::uint64_t requiredKb, const std::wstring& root, std::uint64_t freeKb) {
    std::wstring text = L"容量\t\t" + wideDecimalText(requiredKb) + L"KB\n";
    if (freeKb == 0) {
        return text + L" 空き容量\tKB";
    }
    return text + root + L"空き容量\t" + wideDecimalText(freeKb) + L"KB";
}
