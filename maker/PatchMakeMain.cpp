// patch-make: writes a publisher's release folder from the shipped patch
// program (the stub): the program under the publisher's name with their
// settings, icon and version texts built in, the patch files beside it, the
// checker's findings on the result and each written file's SHA-256.
//
// Exit code: 0 written, nothing to mend; 1 written, warnings only; 2 refused
// (nothing written); 3 wrong usage.
#include <windows.h>

#include <shellapi.h>

#include <map>
#include <string>
#include <vector>

#include "checker/PatchFolderCheck.h"
#include "checker/finding.h"
#include "core/ConsoleOutput.h"
#include "core/ToolCommandLine.h"
#include "core/ascii_fold.h"
#include "core/DllDefence.h"
#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "core/ModuleResource.h"
#include "core/Sha256.h"
#include "core/decimal_text.h"
#include "core/digest_text.h"
#include "core/path_text.h"
#include "maker/ProgramIcon.h"
#include "maker/ReleaseDigests.h"
#include "maker/release_file.h"
#include "maker/version_resource.h"
#include "resources/resource_ids.h"
#include "settings/SettingsLoading.h"
#include "settings/settings_conversion.h"

namespace {

constexpr WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr WORD iconImageId = 1;
// The resource types by their numbers, in their UTF-16 form.
const wchar_t* const iconType = MAKEINTRESOURCEW(3);
const wchar_t* const dialogType = MAKEINTRESOURCEW(dialogResourceType);
const wchar_t* const iconGroupType = MAKEINTRESOURCEW(iconGroupResourceType);
const wchar_t* const versionType = MAKEINTRESOURCEW(16);

void say(const std::wstring& line) { writeToolText(ToolStream::output, line + L"\r\n"); }

void printUsage() {
    say(L"使い方: patch-make [リリース ファイル] [--settings ファイル] [--icon ファイル] [--files フォルダ]\r\n"
        L"                  [--name 名前] [--version X.Y.Z.W] [--product-version X.Y.Z.W]\r\n"
        L"                  [--description 説明] [--product-name 製品名] [--company 会社名]\r\n"
        L"                  [--copyright 著作権表示] [--output フォルダ] [--stub patch.exe]\r\n"
        L"                  [--replace] [--signing-follows] [--show-release]\r\n"
        L"       patch-make --convert-settings テキスト 設定ファイル\r\n"
        L"\r\n"
        L"パッチ プログラム (スタブ) に設定、アイコン、バージョン情報を組み込んで「名前.exe」とし、\r\n"
        L"files のファイルと一緒に出力フォルダに書きます。リリース ファイルは「キー,値」の行で\r\n"
        L"書いた UTF-8 のテキストで、キーはオプションの名前から「--」を除いたものです。\r\n"
        L"オプションはリリース ファイルより優先します。\r\n"
        L"\r\n"
        L"  --stub ファイル       もとにするパッチ プログラム (既定: patch-make と同じフォルダの patch.exe)\r\n"
        L"  --replace             出力フォルダが空でなければ置き換えます\r\n"
        L"  --signing-follows     このあと署名するので「署名なし」と書きません\r\n"
        L"  --show-release        何も書かず、リリース ファイルとオプションを合わせた値を「キー=値」で書きます\r\n"
        L"  --sign-pkcs12, --sign-password-file, --sign-timestamp-url\r\n"
        L"                        署名の指定。受け付けますが、patch-make は署名しません\r\n"
        L"                        (Windows では書いた後に SignTool で署名します: README-ja.txt の 7.)\r\n"
        L"  --convert-settings    UTF-8 かコード ページ 932 のテキストを、プログラムが読む\r\n"
        L"                        設定ファイル (コード ページ 932、CR LF) にします\r\n"
        L"\r\n"
        L"終了コード: 0 書いた、1 書いたが警告あり、2 エラー (何も書いていません)、3 使い方の誤り。");
}

// The folder that holds `path` (a full path), as a folder the system can
// look up: a drive's root keeps its backslash.
std::wstring containingFolderOf(const std::wstring& path) {
    std::wstring folder = folderOfPath(path);
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';
    }
    return folder;
}

bool isRelative(const std::wstring& path) {
    return !(path.size() >= 1 && (path[0] == L'\\' || path[0] == L'/')) && !(path.size() >= 2 && path[1] == L':');
}

// One value of the release, and where it was given, for the messages.
struct Given {
    std::wstring text;
    std::wstring where;     // "release.txt:4" or "patch-make"
    std::wstring baseFolder;  // relative paths start here ("" : the current folder)
};

// A refusal: "where: エラー: text".
struct Refusal {
    std::wstring where;
    std::wstring text;
};

class Release {
public:
    std::map<std::wstring, Given> values;
    bool replace = false;
    bool signingFollows = false;

    const Given* find(const wchar_t* key) const {
        const auto found = values.find(key);
        return found == values.end() ? nullptr : &found->second;
    }
    std::wstring pathOf(const Given& given) const {
        if (given.baseFolder.empty() || !isRelative(given.text)) {
            return fullPathOf(given.text);
        }
        return fullPathOf(given.baseFolder + L"\\" + given.text);
    }
};

std::wstring errorLine(const Refusal& refusal) { return refusal.where + L": エラー: " + refusal.text; }

// --- The stub -----------------------------------------------------------------

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

BOOL CALLBACK addLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

std::vector<WORD> languagesOf(HMODULE module, const wchar_t* type, const wchar_t* name) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, type, name, addLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// The icon images the stub's group names, by their ids.
std::vector<WORD> iconImagesOf(HMODULE module) {
    std::vector<WORD> ids;
    const ModuleResource group = moduleResource(module, iconGroupType, IDI_PATCH);
    const unsigned char* bytes = group.bytes;
    const std::size_t size = group.size;
    if (bytes == nullptr || size < 6) {
        return ids;
    }
    // The group: a 6-byte header, then 14 bytes an image, the id last.
    const unsigned count = bytes[4] | (bytes[5] << 8);
    for (unsigned i = 0; i < count && 6 + (i + 1) * 14 <= size; ++i) {
        const unsigned char* entry = bytes + 6 + i * 14;
        ids.push_back(static_cast<WORD>(entry[12] | (entry[13] << 8)));
    }
    return ids;
}

bool isThisProgram(HMODULE module) {
    return moduleResource(module, dialogType, IDD_PATCH).found &&
           moduleResource(module, defaultSettingsResourceType, IDR_DEFAULT_SETTINGS).found &&
           moduleResource(module, iconGroupType, IDI_PATCH).found;
}

// --- Files ----------------------------------------------------------------------

bool writeWholeFile(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Removes `folder` and all it holds: what a folder holds comes after it in
// the listing, so the listing backwards empties each folder before it goes.
void removeTree(const std::wstring& folder) {
    const std::vector<FolderEntry> entries = listFolderTree(folder);
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        const std::wstring path = folder + L"\\" + entry->name;
        if (entry->isFolder) {
            RemoveDirectoryW(path.c_str());
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}

bool isEmptyFolder(const std::wstring& folder) { return listFolderTree(folder).empty(); }

// Copies every file of `from` (subfolders too) into `to`; `written` gains
// the names relative to the release folder.
bool copyTree(const std::wstring& from, const std::wstring& to, std::vector<std::wstring>& written) {
    for (const FolderEntry& entry : listFolderTree(from)) {
        const std::wstring target = to + L"\\" + entry.name;
        if (entry.isFolder) {
            if (!CreateDirectoryW(target.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                return false;
            }
        } else if (CopyFileW((from + L"\\" + entry.name).c_str(), target.c_str(), TRUE)) {
            written.push_back(entry.name);
        } else {
            return false;
        }
    }
    return true;
}

// --- The release ------------------------------------------------------------------

// Whether `path` is `folder` or lies inside it (full paths; Windows compares
// names without the case of ASCII letters).
bool isWithin(const std::wstring& folder, const std::wstring& path) {
    if (path.size() < folder.size()) {
        return false;
    }
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (upperAscii(folder[i]) != upperAscii(path[i])) {
            return false;
        }
    }
    return path.size() == folder.size() || path[folder.size()] == L'\\' || folder.back() == L'\\';
}

// The files of `folder` (names relative to it) that are not among `kept`.
std::vector<std::wstring> filesNotAmong(const std::wstring& folder, const std::vector<std::wstring>& kept) {
    std::vector<std::wstring> names;
    for (const FolderEntry& entry : listFolderTree(folder)) {
        bool isKept = false;
        for (const std::wstring& name : kept) {
            isKept = isKept || (name.size() == entry.name.size() && isWithin(name, entry.name));
        }
        if (!entry.isFolder && !isKept) {
            names.push_back(entry.name);
        }
    }
    return names;
}

std::wstring missing(const std::wstring& asGiven, const wchar_t* whatToDo) {
    return L"「" + asGiven + L"」がありません。" + whatToDo;
}

struct Outcome {
    int code = 0;
    std::vector<std::wstring> lines;  // findings, then the summary
};

class ReleaseMaker {
public:
    explicit ReleaseMaker(const Release& release) : release_(release) {}

    int run();

private:
    bool refuse(const std::wstring& where, const std::wstring& text) {
        say(errorLine({where, text}));
        return false;
    }
    bool prepare();
    bool build(const std::wstring& folder);
    std::wstring shownWhere(const Finding& finding) const;

    const Release& release_;
    std::wstring stubPath_;
    std::wstring name_;
    std::wstring output_;
    std::wstring files_;
    std::wstring settingsAsGiven_;
    std::string settingsBytes_;
    bool settingsGiven_ = false;
    ProgramIcon icon_;
    bool iconGiven_ = false;
    VersionFields version_;
    std::vector<std::wstring> warnings_;
    std::vector<std::wstring> written_;  // relative to the release folder
};

bool ReleaseMaker::prepare() {
    const Given* output = release_.find(L"output");
    if (output == nullptr) {
        return refuse(L"patch-make", L"--output を指定してください。");
    }
    output_ = release_.pathOf(*output);
    // patch-make makes the output folder only: a parent that is missing is
    // most likely mistyped, and would otherwise be made in an unexpected place.
    const std::wstring parent = containingFolderOf(output_);
    if (!isFolderAt(parent)) {
        const std::wstring givenParent = folderOfPath(output->text);
        return refuse(output->where, L"出力フォルダ「" + output->text + L"」を置くフォルダ「" +
                                         (givenParent.empty() ? parent : givenParent) +
                                         L"」がありません。そのフォルダを先に作るか、ある場所を指定してください。");
    }

    const Given* stub = release_.find(L"stub");
    if (stub != nullptr) {
        stubPath_ = release_.pathOf(*stub);
    } else {
        stubPath_ = folderOfPath(getProgramPath()) + L"\\patch.exe";
    }
    const std::wstring stubWhere = stub != nullptr ? stub->where : L"patch-make";
    const std::wstring stubShown = stub != nullptr ? stub->text : stubPath_;
    if (!isFileAt(stubPath_)) {
        return refuse(stubWhere, missing(stubShown, L"パッチ プログラム patch.exe を --stub で指定してください。"));
    }
    {
        const LoadedModule module(
            LoadLibraryExW(stubPath_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        if (!isThisProgram(module.get())) {
            return refuse(stubWhere, L"「" + stubShown +
                                         L"」はこのパッチ プログラムではありません (ダイアログ、設定かアイコンがありません)。"
                                         L"patch-make と一緒に配布された patch.exe を指定してください。");
        }
    }

    std::wstring nameText = L"patch";
    const Given* name = release_.find(L"name");
    if (name != nullptr && !programNameFrom(name->text, nameText)) {
        return refuse(name->where, L"「" + name->text +
                                       L"」はプログラムの名前にできません。フォルダ、\\ / : * ? \" < > | を含まず、"
                                       L"ピリオドや空白で始まらず、ピリオドや空白で終わらない名前にしてください。");
    }
    name_ = nameText;

    const Given* settings = release_.find(L"settings");
    if (settings != nullptr) {
        settingsGiven_ = true;
        settingsAsGiven_ = settings->text;
        const std::wstring path = release_.pathOf(*settings);
        const std::optional<std::string> text = isFileAt(path) ? fileBytesAt(path) : std::nullopt;
        if (!text) {
            return refuse(settings->where,
                          missing(settings->text, L"設定のテキスト (UTF-8 かコード ページ 932) を指定してください。"));
        }
        const SettingsConversion converted = settingsFileFrom(*text);
        if (!converted.converted) {
            return refuse(settingsAsGiven_ + L":" + wideDecimalText(static_cast<std::uint64_t>(converted.line)),
                          converted.problem);
        }
        settingsBytes_ = converted.bytes;
    }

    const Given* icon = release_.find(L"icon");
    if (icon != nullptr) {
        iconGiven_ = true;
        const std::wstring path = release_.pathOf(*icon);
        if (!isFileAt(path)) {
            return refuse(icon->where, missing(icon->text, L"アイコンの .ico か .png ファイルを指定してください。"));
        }
        std::wstring problem;
        if (!programIconFrom(path, iconImageId, icon_, problem)) {
            return refuse(icon->where, L"「" + icon->text + L"」: " + problem);
        }
    }

    const Given* files = release_.find(L"files");
    if (files != nullptr) {
        files_ = release_.pathOf(*files);
        if (!isFolderAt(files_)) {
            return refuse(files->where,
                          missing(files->text, L"パッチのファイルを入れたフォルダを指定してください。"));
        }
        // Every file of the folder ships: a release written inside it would
        // copy itself, and replacing an output that holds the folder would
        // delete the publisher's files.
        const Given* output = release_.find(L"output");
        if (isWithin(files_, output_)) {
            return refuse(output->where, L"出力フォルダ「" + output->text + L"」がパッチ ファイルのフォルダ「" +
                                             files->text + L"」の中にあります。別のフォルダを指定してください。");
        }
        if (isWithin(output_, files_)) {
            return refuse(output->where, L"出力フォルダ「" + output->text + L"」がパッチ ファイルのフォルダ「" +
                                             files->text + L"」を含んでいます。別のフォルダを指定してください。");
        }
        if (pathExists((files_ + L"\\" + name_ + L".exe").c_str())) {
            return refuse(files->where, L"「" + files->text + L"\\" + name_ + L".exe」がプログラムと同じ名前です。"
                                        L"そのファイルを除くか、name に別の名前を書いてください。");
        }
    }

    // The version texts: what was given, else what the stub carries.
    const StubVersion stubVersion = versionOf(stubPath_);
    version_.fileVersion = stubVersion.fileNumbers;
    version_.fileVersionText = stubVersion.fileVersion;
    version_.productVersion = stubVersion.productNumbers;
    version_.productVersionText = stubVersion.productVersion;
    for (const wchar_t* key : {L"version", L"product-version"}) {
        const Given* given = release_.find(key);
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
        if (!file || release_.find(L"product-version") == nullptr) {
            // The product's version follows the file's unless given.
            version_.productVersion = numbers;
            version_.productVersionText = given->text;
        }
        if (file) {
            version_.fileVersion = numbers;
            version_.fileVersionText = given->text;
        }
    }
    struct TextField {
        const wchar_t* key;
        std::wstring* field;
        const std::wstring* stubText;
    };
    version_.companyName = stubVersion.company;
    version_.fileDescription = stubVersion.description;
    version_.legalCopyright = stubVersion.copyright;
    version_.productName = stubVersion.productName;
    const TextField texts[] = {
        {L"company", &version_.companyName, &stubVersion.company},
        {L"description", &version_.fileDescription, &stubVersion.description},
        {L"copyright", &version_.legalCopyright, &stubVersion.copyright},
        {L"product-name", &version_.productName, &stubVersion.productName},
    };
    for (const TextField& text : texts) {
        const Given* given = release_.find(text.key);
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
    const Given* company = release_.find(L"company");
    if (version_.companyName == stubVersion.company) {
        warnings_.push_back((company != nullptr ? company->where : std::wstring(L"patch-make")) +
                            L": 警告: 会社名 (company) がスタブのまま「" + stubVersion.company +
                            L"」です。あなたの会社名を company に書いてください。");
    }
    const Given* description = release_.find(L"description");
    if (version_.fileDescription == stubVersion.description) {
        warnings_.push_back((description != nullptr ? description->where : std::wstring(L"patch-make")) +
                            L": 警告: ファイルの説明 (description) がスタブのまま「" + stubVersion.description +
                            L"」です。あなたのパッチの説明を description に書いてください。");
    }
    version_.internalName = name_;
    version_.originalFilename = name_ + L".exe";

    if (findAt(output_).exists) {
        if (!isFolderAt(output_) || (!isEmptyFolder(output_) && !release_.replace)) {
            return refuse(output->where, L"出力フォルダ「" + output->text +
                                             L"」は空ではありません。別のフォルダを指定するか、--replace を付けてください。");
        }
    }
    return true;
}

bool ReleaseMaker::build(const std::wstring& folder) {
    const std::wstring program = folder + L"\\" + name_ + L".exe";
    if (!CopyFileW(stubPath_.c_str(), program.c_str(), TRUE)) {
        return refuse(L"patch-make", L"「" + program + L"」に書けません。出力先のフォルダに書けるか確かめてください。");
    }
    SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::vector<WORD> images;
    std::vector<WORD> groupLanguages;
    std::vector<WORD> versionLanguages;
    std::map<WORD, std::vector<WORD>> imageLanguages;
    std::vector<WORD> tableLanguages;
    std::string builtInSettings = settingsBytes_;
    {
        const LoadedModule stub(
            LoadLibraryExW(stubPath_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        images = iconImagesOf(stub.get());
        for (const WORD image : images) {
            imageLanguages[image] = languagesOf(stub.get(), iconType, MAKEINTRESOURCEW(image));
        }
        groupLanguages = languagesOf(stub.get(), iconGroupType, MAKEINTRESOURCEW(IDI_PATCH));
        versionLanguages = languagesOf(stub.get(), versionType, MAKEINTRESOURCEW(1));
        tableLanguages = languagesOf(stub.get(), digestTableResourceType, MAKEINTRESOURCEW(IDR_DIGEST_TABLE));
        if (!settingsGiven_) {
            const ModuleResource settings =
                moduleResource(stub.get(), defaultSettingsResourceType, IDR_DEFAULT_SETTINGS);
            if (settings.bytes != nullptr) {
                builtInSettings.assign(reinterpret_cast<const char*>(settings.bytes), settings.size);
            }
        }
    }
    // The table holds the files as they lie in the release: copied first.
    written_.push_back(name_ + L".exe");
    if (!files_.empty() && !copyTree(files_, folder, written_)) {
        return refuse(L"patch-make", L"「" + files_ + L"」のファイルを出力先に写せません。");
    }
    const std::optional<std::vector<DigestEntry>> digests = releaseDigests(folder, builtInSettings);
    if (!digests) {
        return refuse(L"patch-make", L"パッチのファイルの SHA-256 を計算できません。");
    }
    const std::string table = digestTableText(*digests);
    HANDLE update = BeginUpdateResourceW(program.c_str(), FALSE);
    if (update == nullptr) {
        return refuse(L"patch-make", L"「" + program + L"」のリソースを書き換えられません。");
    }
    bool done = true;
    if (settingsGiven_) {
        done = done && UpdateResourceW(update, defaultSettingsResourceType, MAKEINTRESOURCEW(IDR_DEFAULT_SETTINGS),
                                       japanese, settingsBytes_.data(), static_cast<DWORD>(settingsBytes_.size()));
    }
    if (iconGiven_) {
        for (const auto& [image, languages] : imageLanguages) {
            for (const WORD language : languages) {
                done = done && UpdateResourceW(update, iconType, MAKEINTRESOURCEW(image), language, nullptr, 0);
            }
        }
        const WORD groupLanguage = groupLanguages.empty() ? japanese : groupLanguages.front();
        for (const WORD language : groupLanguages) {
            done = done &&
                   UpdateResourceW(update, iconGroupType, MAKEINTRESOURCEW(IDI_PATCH), language, nullptr, 0);
        }
        done = done && UpdateResourceW(update, iconType, MAKEINTRESOURCEW(iconImageId), groupLanguage,
                                       icon_.image.data(), static_cast<DWORD>(icon_.image.size()));
        done = done && UpdateResourceW(update, iconGroupType, MAKEINTRESOURCEW(IDI_PATCH), groupLanguage,
                                       icon_.group.data(), static_cast<DWORD>(icon_.group.size()));
    }
    for (const WORD language : versionLanguages) {
        done = done && UpdateResourceW(update, versionType, MAKEINTRESOURCEW(1), language, nullptr, 0);
    }
    // A stub that is itself a release carries the table of its own files.
    for (const WORD language : tableLanguages) {
        done = done && UpdateResourceW(update, digestTableResourceType, MAKEINTRESOURCEW(IDR_DIGEST_TABLE),
                                       language, nullptr, 0);
    }
    if (!table.empty()) {
        done = done && UpdateResourceW(update, digestTableResourceType, MAKEINTRESOURCEW(IDR_DIGEST_TABLE),
                                       japanese, const_cast<char*>(table.data()), static_cast<DWORD>(table.size()));
    }
    std::vector<std::uint8_t> versionBytes = versionResourceBytes(version_);
    done = done && UpdateResourceW(update, versionType, MAKEINTRESOURCEW(1), japanese, versionBytes.data(),
                                   static_cast<DWORD>(versionBytes.size()));
    if (!EndUpdateResourceW(update, done ? FALSE : TRUE) || !done) {
        return refuse(L"patch-make", L"「" + program + L"」のリソースを書き換えられません。");
    }
    return true;
}

// Where a finding is, for the publisher: findings about the built-in
// settings point at the settings file they gave, with the same line.
std::wstring ReleaseMaker::shownWhere(const Finding& finding) const {
    std::wstring where = finding.file;
    if (settingsGiven_ && where == name_ + L".exe(埋め込み設定)") {
        where = settingsAsGiven_;
    }
    if (finding.line > 0) {
        where += L":" + wideDecimalText(static_cast<std::uint64_t>(finding.line));
    }
    return where;
}

int ReleaseMaker::run() {
    if (!prepare()) {
        return 2;
    }
    // Assembled beside the output, so that the last step is a rename on one
    // drive, and removed on any failure.
    const std::wstring temporary =
        folderOfPath(output_) + L"\\" + nameOfPath(output_) + L".patch-make-" + wideDecimalText(GetCurrentProcessId());
    removeTree(temporary);
    if (!CreateDirectoryW(temporary.c_str(), nullptr)) {
        // The release is assembled beside the output: that folder must be writable.
        const Given* output = release_.find(L"output");
        refuse(output->where, L"出力フォルダ「" + output->text + L"」を置くフォルダ「" + containingFolderOf(output_) +
                                  L"」に書けません。書けるフォルダを指定してください。");
        return 2;
    }
    if (!build(temporary)) {
        removeTree(temporary);
        return 2;
    }
    CheckOptions options;
    options.patchFolder = temporary;
    options.lookAtThisMachine = false;
    const CheckReport report = checkPatchFolder(options);
    std::vector<std::wstring> lines;
    int errors = 0;
    int warnings = static_cast<int>(warnings_.size());
    for (const Finding& finding : report.findings) {
        if (finding.severity == Severity::note) {
            continue;  // the checker's account of where settings come from: patch-check tells it
        }
        const bool error = finding.severity == Severity::error;
        errors += error ? 1 : 0;
        warnings += error ? 0 : 1;
        lines.push_back(shownWhere(finding) + (error ? L": エラー: " : L": 警告: ") +
                        closedSentence(finding.text));
    }
    if (errors > 0) {
        removeTree(temporary);
        for (const std::wstring& line : lines) {
            say(line);
        }
        say(L"エラー " + wideDecimalText(static_cast<std::uint64_t>(errors)) + L" 件: 何も書いていません。");
        return 2;
    }
    // --replace: what the older release held and this one does not is
    // gone with it, and named.
    std::vector<std::wstring> removed;
    if (findAt(output_).exists) {
        removed = filesNotAmong(output_, written_);
        removeTree(output_);  // empty, or --replace
    }
    if (!MoveFileExW(temporary.c_str(), output_.c_str(), 0)) {
        removeTree(temporary);
        say(errorLine({L"patch-make", L"「" + output_ + L"」に置けません。ほかのプログラムが開いていないか確かめてください。"}));
        return 2;
    }
    const Given* output = release_.find(L"output");
    for (const std::wstring& name : removed) {
        say(L"「" + output->text + L"\\" + name + L"」は新しいリリースにないため消しました (--replace)。");
    }
    for (const std::wstring& line : warnings_) {
        say(line);
    }
    for (const std::wstring& line : lines) {
        say(line);
    }
    // A signature changes the program's digest: whoever signs lists the
    // files once it is done.
    for (const std::wstring& name : release_.signingFollows ? std::vector<std::wstring>() : written_) {
        Sha256Digest digest{};
        say(sha256OfFile(output_ + L"\\" + name, digest) ? wideDigestHex(digest) + L"  " + name
                                                         : L"(SHA-256 を計算できません)  " + name);
    }
    say(L"「" + output->text + L"」に " + name_ + L".exe とファイル " +
        wideDecimalText(written_.size() - 1) + L" 個を書きました (警告 " +
        wideDecimalText(static_cast<std::uint64_t>(warnings)) + L" 件" +
        (release_.signingFollows ? L")。" : L"、署名なし)。"));
    return warnings > 0 ? 1 : 0;
}

// --show-release: what the release file and the options come to, one
// "key=value" line each, paths made full; scripts/publish acts on the
// signing entries and the output from these lines.
int showRelease(const Release& release) {
    constexpr const wchar_t* pathKeys[] = {L"settings", L"icon", L"files", L"output", L"stub",
                                           L"sign-pkcs12", L"sign-password-file"};
    std::wstring name = L"patch";
    const Given* givenName = release.find(L"name");
    if (givenName != nullptr && !programNameFrom(givenName->text, name)) {
        name = givenName->text;
    }
    std::wstring lines = L"name=" + name + L"\r\n";
    for (const auto& [key, given] : release.values) {
        if (key == L"name") {
            continue;
        }
        bool isPath = false;
        for (const wchar_t* pathKey : pathKeys) {
            isPath = isPath || key == pathKey;
        }
        lines += key + L"=" + (isPath ? release.pathOf(given) : given.text) + L"\r\n";
    }
    writeToolText(ToolStream::output, lines);
    return 0;
}

// --convert-settings TEXT FILE.
int convertSettings(const std::wstring& from, const std::wstring& to) {
    const std::wstring path = fullPathOf(from);
    const std::optional<std::string> text = isFileAt(path) ? fileBytesAt(path) : std::nullopt;
    if (!text) {
        say(errorLine({L"patch-make", missing(from, L"設定のテキスト (UTF-8 かコード ページ 932) を指定してください。")}));
        return 2;
    }
    const SettingsConversion converted = settingsFileFrom(*text);
    if (!converted.converted) {
        say(errorLine({from + L":" + wideDecimalText(static_cast<std::uint64_t>(converted.line)), converted.problem}));
        return 2;
    }
    if (!writeWholeFile(fullPathOf(to), converted.bytes)) {
        say(errorLine({L"patch-make", L"「" + to + L"」に書けません。"}));
        return 2;
    }
    say(L"「" + to + L"」に設定ファイルを書きました (コード ページ 932、CR LF)。");
    return 0;
}

constexpr const wchar_t* valueOptions[] = {
    L"settings", L"icon",    L"files",     L"name",   L"version", L"product-version", L"description",
    L"product-name", L"company", L"copyright", L"output", L"stub",
    // Read by scripts/publish (patch-make itself never signs).
    L"sign-pkcs12", L"sign-password-file", L"sign-timestamp-url",
};

bool takesValue(const std::wstring& option) {
    for (const wchar_t* name : valueOptions) {
        if (option == std::wstring(L"--") + name) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main() {
    loadCodeOnlyFromTheSystem();
    const std::vector<std::wstring> arguments = toolArguments();
    if (arguments.empty()) {
        printUsage();
        return 3;
    }
    if (arguments[0] == L"--convert-settings") {
        if (arguments.size() != 3) {
            printUsage();
            return 3;
        }
        return convertSettings(arguments[1], arguments[2]);
    }
    Release release;
    std::wstring releaseFile;
    bool showOnly = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"-h" || argument == L"--help" || argument == L"/?") {
            printUsage();
            return 0;
        } else if (takesValue(argument) && i + 1 < arguments.size()) {
            release.values[argument.substr(2)] = {arguments[++i], L"patch-make", L""};
        } else if (argument == L"--replace") {
            release.replace = true;
        } else if (argument == L"--signing-follows") {
            release.signingFollows = true;
        } else if (argument == L"--show-release") {
            showOnly = true;
        } else if (releaseFile.empty() && !argument.empty() && argument[0] != L'-') {
            releaseFile = argument;
        } else {
            printUsage();
            return 3;
        }
    }
    if (!releaseFile.empty()) {
        const std::wstring path = fullPathOf(releaseFile);
        const std::optional<std::string> bytes = isFileAt(path) ? fileBytesAt(path) : std::nullopt;
        if (!bytes) {
            say(errorLine({L"patch-make", missing(releaseFile, L"リリース ファイルを指定してください。")}));
            return 2;
        }
        const ReleaseFile file = readReleaseFile(*bytes);
        if (!file.problem.empty()) {
            say(errorLine({releaseFile + L":" + wideDecimalText(static_cast<std::uint64_t>(file.errorLine)),
                           file.problem}));
            return 2;
        }
        for (const auto& [key, value] : file.values) {
            // Options override the file.
            if (release.values.count(key) == 0) {
                release.values[key] = {value.text,
                                       releaseFile + L":" + wideDecimalText(static_cast<std::uint64_t>(value.line)),
                                       folderOfPath(path)};
            }
        }
    }
    if (showOnly) {
        return showRelease(release);
    }
    if (release.find(L"output") == nullptr) {
        say(errorLine({L"patch-make", L"--output を指定してください。"}));
        return 3;
    }
    return ReleaseMaker(release).run();
}
