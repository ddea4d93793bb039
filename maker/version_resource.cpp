#include "maker/version_resource.h"

namespace {

// One node of the resource's tree: its length, its value's length, its type
// (0 binary, 1 text), its key, then its value and its children, each on a
// 32-bit boundary.
class Node {
public:
    Node(const std::wstring& key, std::uint16_t type) : key_(key), type_(type) {}

    void binaryValue(const std::vector<std::uint8_t>& bytes) {
        value_ = bytes;
        valueLength_ = static_cast<std::uint16_t>(bytes.size());
    }
    void textValue(const std::wstring& text) {
        value_.clear();
        for (const wchar_t unit : text) {
            value_.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            value_.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
        }
        value_.push_back(0);
        value_.push_back(0);
        valueLength_ = static_cast<std::uint16_t>(text.size() + 1);  // in characters, with the terminator
    }
    void add(const Node& child) { children_.push_back(child.bytes()); }

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out(6, 0);
        for (const wchar_t unit : key_) {
            out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
        }
        out.push_back(0);
        out.push_back(0);
        pad(out);
        out.insert(out.end(), value_.begin(), value_.end());
        for (const std::vector<std::uint8_t>& child : children_) {
            pad(out);
            out.insert(out.end(), child.begin(), child.end());
        }
        put16(out, 0, static_cast<std::uint16_t>(out.size()));
        put16(out, 2, valueLength_);
        put16(out, 4, type_);
        return out;
    }

private:
    static void pad(std::vector<std::uint8_t>& out) {
        while (out.size() % 4 != 0) {
            out.push_back(0);
        }
    }
    static void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
        out[at] = static_cast<std::uint8_t>(value & 0xFF);
        out[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }

    std::wstring key_;
    std::uint16_t type_;
    std::uint16_t valueLength_ = 0;
    std::vector<std::uint8_t> value_;
    std::vector<std::vector<std::uint8_t>> children_;
};

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

std::uint32_t high(const VersionNumbers& numbers) { return (std::uint32_t{numbers[0]} << 16) | numbers[1]; }
std::uint32_t low(const VersionNumbers& numbers) { return (std::uint32_t{numbers[2]} << 16) | numbers[3]; }

// The fixed part, as resources/version.rc declares it.
std::vector<std::uint8_t> fixedPart(const VersionFields& fields) {
    std::vector<std::uint8_t> out;
    put32(out, 0xFEEF04BD);  // the signature
    put32(out, 0x00010000);  // the structure's version
    put32(out, high(fields.fileVersion));
    put32(out, low(fields.fileVersion));
    put32(out, high(fields.productVersion));
    put32(out, low(fields.productVersion));
    put32(out, 0x3F);        // VS_FFI_FILEFLAGSMASK
    put32(out, 0);           // no flags
    put32(out, 0x00040004);  // VOS_NT_WINDOWS32
    put32(out, 1);           // VFT_APP
    put32(out, 0);           // VFT2_UNKNOWN
    put32(out, 0);           // no date
    put32(out, 0);
    return out;
}

}  // namespace

std::vector<std::uint8_t> versionResourceBytes(const VersionFields& fields) {
    Node root(L"VS_VERSION_INFO", 0);
    root.binaryValue(fixedPart(fields));

    Node table(L"041104B0", 1);
    const std::pair<const wchar_t*, const std::wstring*> texts[] = {
        {L"CompanyName", &fields.companyName},           {L"FileDescription", &fields.fileDescription},
        {L"FileVersion", &fields.fileVersionText},       {L"InternalName", &fields.internalName},
        {L"LegalCopyright", &fields.legalCopyright},     {L"OriginalFilename", &fields.originalFilename},
        {L"ProductName", &fields.productName},           {L"ProductVersion", &fields.productVersionText},
    };
    for (const auto& [key, text] : texts) {
        Node value(key, 1);
        value.textValue(*text);
        table.add(value);
    }
    Node strings(L"StringFileInfo", 1);
    strings.add(table);
    root.add(strings);

    Node translation(L"Translation", 0);
    translation.binaryValue({0x11, 0x04, 0xB0, 0x04});  // Japanese, UTF-16
    Node variables(L"VarFileInfo", 1);
    variables.add(translation);
    root.add(variables);
    return root.bytes();
}

bool versionNumbersFrom(const std::wstring& text, VersionNumbers& numbers) {
    VersionNumbers read{};
    std::size_t count = 0;
    std::size_t at = 0;
    for (;;) {
        if (count == read.size() || at >= text.size() || text[at] < L'0' || text[at] > L'9') {
            return false;
        }
        unsigned long value = 0;
        while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') {
            value = value * 10 + static_cast<unsigned long>(text[at] - L'0');
            if (value > 65535) {
                return false;
            }
            ++at;
        }
        read[count++] = static_cast<std::uint16_t>(value);
        if (at == text.size()) {
            numbers = read;
            return true;
        }
        if (text[at] != L'.') {
            return false;
        }
        ++at;
    }
}

bool isPropertyText(const std::wstring& text) {
    for (const wchar_t unit : text) {
        if (unit < 0x20) {
            return false;
        }
    }
    return true;
}

bool programNameFrom(const std::wstring& given, std::wstring& name) {
    std::wstring result = given;
    if (result.size() >= 4) {
        std::wstring extension = result.substr(result.size() - 4);
        for (wchar_t& unit : extension) {
            unit = unit >= L'A' && unit <= L'Z' ? static_cast<wchar_t>(unit + 32) : unit;
        }
        if (extension == L".exe") {
            result.resize(result.size() - 4);
        }
    }
    if (result.empty() || !isPropertyText(result) || result.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos ||
        result.front() == L'.' || result.front() == L' ' || result.back() == L'.' || result.back() == L' ') {
        return false;
    }
    name = result;
    return true;
}
