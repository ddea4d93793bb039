#include "maker/ReleaseWriter.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "checker/PatchFolderCheck.h"
#include "checker/finding.h"
#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "core/ModuleResource.h"
#include "core/Sha256.h"
#include "core/ascii_fold.h"
#include "core/decimal_text.h"
#include "core/digest_text.h"
#include "core/path_text.h"
#include "maker/ProgramIcon.h"
#include "maker/ReleaseDigests.h"
#include "maker/VersionTexts.h"
#include "maker/version_resource.h"
#include "resources/resource_ids.h"
#include "settings/SettingsLoading.h"
#include "settings/digest_table.h"
#include "settings/settings_conversion.h"

namespace {

constexpr WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr WORD iconImageId = 1;
// The resource types by their numbers, in their UTF-16 form.
const wchar_t* const iconType = MAKEINTRESOURCEW(3);
const wchar_t* const dialogType = MAKEINTRESOURCEW(dialogResourceType);
const wchar_t* const iconGroupType = MAKEINTRESOURCEW(iconGroupResourceType);
const wchar_t* const versionType = MAKEINTRESOURCEW(16);

// The folder that holds `path` (a full path), as a folder the system can
// look up: a drive's root keeps its backslash.
std::wstring containingFolderOf(const std::wstring& path) {
    std::wstring folder = folderOfPath(path);
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';
    }
    return folder;
}

// --- The stub -----------------------------------------------------------------

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
    bool takeOutput();
    bool takeStub();
    bool takeName();
    bool takeSettings();
    bool takeIcon();
    bool takeFiles();
    bool checkOutputIsFree();
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

// Checks what was given, in the order a publisher fixes it: where the
// release goes, the stub, the name, then what goes into the program.
bool ReleaseMaker::prepare() {
    if (!takeOutput() || !takeStub() || !takeName() || !takeSettings() || !takeIcon() || !takeFiles() ||
        !chooseVersionTexts(release_, stubPath_, version_, warnings_)) {
        return false;
    }
    version_.internalName = name_;
    version_.originalFilename = name_ + L".exe";
    return checkOutputIsFree();
}

bool ReleaseMaker::takeOutput() {
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
    return true;
}

bool ReleaseMaker::takeStub() {
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
    return true;
}

bool ReleaseMaker::takeName() {
    std::wstring nameText = L"patch";
    const Given* name = release_.find(L"name");
    if (name != nullptr && !programNameFrom(name->text, nameText)) {
        return refuse(name->where, L"「" + name->text +
                                       L"」はプログラムの名前にできません。フォルダ、\\ / : * ? \" < > | を含まず、"
                                       L"ピリオドや空白で始まらず、ピリオドや空白で終わらない名前にしてください。");
    }
    name_ = nameText;
    return true;
}

bool ReleaseMaker::takeSettings() {
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
    return true;
}

bool ReleaseMaker::takeIcon() {
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
    return true;
}

bool ReleaseMaker::takeFiles() {
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
    return true;
}

bool ReleaseMaker::checkOutputIsFree() {
    const Given* output = release_.find(L"output");
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

}  // namespace

int writeRelease(const Release& release) { return ReleaseMaker(release).run(); }
