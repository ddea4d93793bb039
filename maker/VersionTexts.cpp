#include "maker/VersionTexts.h"

#include <windows.h>

#include "core/DllDefence.h"
#include "core/HandleOwners.h"

namespace {

// The version texts a module carries, read through the system's version.dll,
// loaded here from the system folder (never imported: it is no known DLL).
struct StubVersion {
    std::wstring company, description, copyright, productName, fileVersion, productVersion;
    VersionNumbers fileNumbers{1, 0, 0, 0};
    VersionNumbers productNumbers{1, 0, 0, 0};
};

StubVersion versionOf(const std::wstring& path) {
    StubVersion version;
    using SizeCall = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoCall = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryCall = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    const LoadedModule versionLibrary(loadSystemLibrary(L"version.dll"));
    const HMODULE library = versionLibrary.get();
    if (library == nullptr) {
        return version;
    }
    const auto size = reinterpret_cast<SizeCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "GetFileVersionInfoSizeW")));
    const auto info = reinterpret_cast<InfoCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "GetFileVersionInfoW")));
    const auto query = reinterpret_cast<QueryCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "VerQueryValueW")));
    if (size == nullptr || info == nullptr || query == nullptr) {
        return version;
    }
    DWORD ignored = 0;
    const DWORD bytes = size(path.c_str(), &ignored);
    std::vector<unsigned char> block(bytes);
    if (bytes == 0 || !info(path.c_str(), 0, bytes, block.data())) {
        return version;
    }
    const auto text = [&](const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
        if (!query(block.data(), key.c_str(), &value, &length) || value == nullptr) {
            return std::wstring();
        }
        return std::wstring(static_cast<const wchar_t*>(value));
    };
    version.company = text(L"CompanyName");
    version.description = text(L"FileDescription");
    version.copyright = text(L"LegalCopyright");
    version.productName = text(L"ProductName");
    version.fileVersion = text(L"FileVersion");
    version.productVersion = text(L"ProductVersion");
    void* fixed = nullptr;
    UINT length = 0;
    if (query(block.data(), L"\\", &fixed, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* numbers = static_cast<const VS_FIXEDFILEINFO*>(fixed);
        version.fileNumbers = {HIWORD(numbers->dwFileVersionMS), LOWORD(numbers->dwFileVersionMS),
                               HIWORD(numbers->dwFileVersionLS), LOWORD(numbers->dwFileVersionLS)};
        version.productNumbers = {HIWORD(numbers->dwProductVersionMS), LOWORD(numbers->dwProductVersionMS),
                                  HIWORD(numbers->dwProductVersionLS), LOWORD(numbers->dwProductVersionLS)};
    }
    return version;
}

bool refuse(const std::wstring& where, const std::wstring& text) {
    say(errorLine({where, text}));
    return false;
}

}  // namespace

bool chooseVersionTexts(const Release& release, const std::wstring& stubPath, VersionFields& version,
                        std::vector<std::wstring>& warnings) {
    // The version texts: what was given, else what the stub carries.
    const StubVersion stubVersion = versionOf(stubPath);
    version.fileVersion = stubVersion.fileNumbers;
    version.fileVersionText = stubVersion.fileVersion;
    version.productVersion = stubVersion.productNumbers;
    version.productVersionText = stubVersion.productVersion;
    for (const wchar_t* key : {L"version", L"product-version"}) {
        const Given* given = release.find(key);
        VersionNumbers numbers{};
        if (given == nullptr) {
            continue;
        }
        if (!versionNumbersFrom(given->text, numbers)) {
            return refuse(given->where, L"バージョン「" + given->text +
                                            L"」が読めません。0 から 65535 までの数を 1 つから 4 つ、"
                                            L"ピリオドで区切って書いてください (例: 1.1.0.0)。");
        }
        const bool file = key == std::wstring(L"version");
        if (!file || release.find(L"product-version") == nullptr) {
            // The product's version follows the file's unless given.
            version.productVersion = numbers;
            version.productVersionText = given->text;
        }
        if (file) {
            version.fileVersion = numbers;
            version.fileVersionText = given->text;
        }
    }
    struct TextField {
        const wchar_t* key;
        std::wstring* field;
        const std::wstring* stubText;
    };
    version.companyName = stubVersion.company;
    version.fileDescription = stubVersion.description;
    version.legalCopyright = stubVersion.copyright;
    version.productName = stubVersion.productName;
    const TextField texts[] = {
        {L"company", &version.companyName, &stubVersion.company},
        {L"description", &version.fileDescription, &stubVersion.description},
        {L"copyright", &version.legalCopyright, &stubVersion.copyright},
        {L"product-name", &version.productName, &stubVersion.productName},
    };
    for (const TextField& text : texts) {
        const Given* given = release.find(text.key);
        if (given == nullptr) {
            continue;
        }
        if (!isPropertyText(given->text)) {
            return refuse(given->where, L"「" + std::wstring(text.key) +
                                            L"」に改行かほかの制御文字があります。1 行の文字にしてください。");
        }
        *text.field = given->text;
    }
    // The stub carries the demo game's texts: a release that still shows
    // them (not given, or copied from the sample unchanged) would name
    // another publisher in the file's properties and the consent dialog.
    const Given* company = release.find(L"company");
    if (version.companyName == stubVersion.company) {
        warnings.push_back((company != nullptr ? company->where : std::wstring(L"patch-make")) +
                            L": 警告: 会社名 (company) がスタブのまま「" + stubVersion.company +
                            L"」です。あなたの会社名を company に書いてください。");
    }
    const Given* description = release.find(L"description");
    if (version.fileDescription == stubVersion.description) {
        warnings.push_back((description != nullptr ? description->where : std::wstring(L"patch-make")) +
                            L": 警告: ファイルの説明 (description) がスタブのまま「" + stubVersion.description +
                            L"」です。あなたのパッチの説明を description に書いてください。");
    }
    return true;
}
