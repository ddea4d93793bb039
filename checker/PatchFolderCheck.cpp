#include "checker/PatchFolderCheck.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "settings/SettingsLoading.h"
#include "settings/SettingsText.h"
#include "settings/byte_scan.h"
#include "settings/destination_rule.h"
#include "settings/lead_byte.h"
#include "core/PatchFileEntry.h"
#include "core/FileProbe.h"
#include "core/HandleOwners.h"
#include "dialog/display_rules.h"

namespace {

constexpr std::uint64_t fourGiB = 0x100000000ull;

// A program file loaded as data, to read its resources without running any
// of its code.
class ProgramAsData {
public:
    explicit ProgramAsData(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

    HMODULE get() const { return module_.get(); }
    bool hasEmbeddedSettings() const {
        return module_.valid() && FindResourceA(module_.get(), MAKEINTRESOURCEA(defaultSettingsResourceId),
                                                defaultSettingsResourceType) != nullptr;
    }

private:
    LoadedModule module_;
};

struct FolderEntry {
    std::string name;  // relative to the patch folder, subfolders joined by "\"
    std::uint64_t size = 0;
    bool isFolder = false;
};

bool endsWithNoCase(const std::string& name, const char* suffix) {
    const std::string tail = comparableName(suffix);
    return name.size() >= tail.size() && comparableName(name.substr(name.size() - tail.size())) == tail;
}

void listFolder(const std::string& folder, const std::string& prefix, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search.valid()) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        FolderEntry entry;
        entry.name = prefix + name;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entries.push_back(entry);
        if (entry.isFolder) {
            listFolder(folder + "\\" + name, entry.name + "\\", entries);
        }
    } while (FindNextFileA(search.get(), &found));
}

// The raw bytes of a file, for the encoding check; nothing when it can't be
// read.
std::optional<std::string> fileBytes(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) {
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (size > 0 && !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) {
        return std::nullopt;
    }
    bytes.resize(read);
    return bytes;
}

std::string quoted(const std::string& text) { return "「" + text + "」"; }

// Bytes, with the dialog's kilobyte figure for the larger ones.
std::string sizeText(std::uint64_t bytes) {
    return std::to_string(bytes) + " バイト" + (bytes >= 1024 ? " (" + kilobytesText(bytes) + ")" : "");
}

std::string lineText(int line) { return std::to_string(line) + " 行目"; }

const char* destinationProblemText(DestinationProblem problem) {
    switch (problem) {
        case DestinationProblem::fromRoot: return "ドライブのルートやネットワークの場所から始まっています";
        case DestinationProblem::driveOrStream: return "コロン (:) を含み、別のドライブかストリームを指します";
        case DestinationProblem::climbsOut: return "「..」でインストール先フォルダの外に出ます";
        case DestinationProblem::deviceName: return "CON や NUL などのデバイス名です";
        case DestinationProblem::dotsAndSpacesOnly: return "ピリオドと空白だけの名前を含みます";
        case DestinationProblem::none: break;
    }
    return "";
}

struct FileLineAt {
    int line;
    std::string source;
    std::string destination;  // the source name when the line gives none
};

// Everything found while checking one program.
class ProgramCheck {
public:
    ProgramCheck(const CheckOptions& options, std::vector<Finding>& findings, std::set<std::string>& listedSources)
        : options_(options), findings_(findings), listedSources_(listedSources) {}

    ProgramSettings run(const std::string& programName, const ProgramAsData& program,
                        std::set<std::string>& settingsFilesRead, const std::vector<std::string>& folderFiles);

private:
    void add(Severity severity, int line, const std::string& text) {
        findings_.push_back({severity, label_, line, text});
    }
    void addFor(Severity severity, const std::string& file, const std::string& text) {
        findings_.push_back({severity, file, 0, text});
    }
    bool readSettings(const std::string& programName, const ProgramAsData& program, std::set<std::string>& read);
    void checkEncoding(const std::string& bytes);
    void checkLines();
    void checkLineWithoutKey(int line, const std::string& text);
    void checkSurroundingSpace(int line, SettingsKey key, const std::string& value);
    void checkRequiredValues();
    void checkFiles(const std::vector<std::string>& folderFiles);
    void checkFile(const FileLineAt& file, const std::vector<std::string>& unlisted);
    void reportSize();
    void checkInstallation(const std::string& folder, bool chosenByPublisher);
    void reportRegistry();

    const CheckOptions& options_;
    std::vector<Finding>& findings_;
    std::set<std::string>& listedSources_;
    std::string label_;  // where the settings come from, as findings name it
    ProgramSettings settings_;
    SettingsText text_;
    std::map<SettingsKey, int> lastLineOf_;
    std::vector<FileLineAt> files_;
    std::set<std::string> neededFolders_;
    bool inAnotherEncoding_ = false;        // UTF-8 or UTF-16: no line can carry a key
    bool markOnFirstLine_ = false;          // a UTF-8 mark on code page 932: line 1 has its finding
    std::uint64_t totalBytes_ = 0;          // every size the program counts
    std::vector<std::uint64_t> entrySizes_;  // per file line; fourGiB when not copied
};

bool ProgramCheck::readSettings(const std::string& programName, const ProgramAsData& program,
                                std::set<std::string>& read) {
    const std::string folder = options_.patchFolder;
    const std::string commandLine = "\"" + folder + "\\" + programName + "\"";
    const std::string baseName = programBaseNameOf(commandLine.c_str());
    const std::string settingsName = baseName + ".inf";
    settings_.programName = programName;
    if (readSettingsFile(folder, baseName, text_)) {
        label_ = settingsName;
        settings_.settingsFrom = settingsName;
        read.insert(comparableName(settingsName));
        add(Severity::note, 0, programName + " はこの設定ファイルを読みます (埋め込み設定は使いません)");
        if (const auto bytes = fileBytes(folder + "\\" + settingsName)) {
            checkEncoding(*bytes);
        }
        return true;
    }
    label_ = programName + "(埋め込み設定)";
    const FoundFile settingsFile = findAt(folder + "\\" + settingsName);
    if (settingsFile.exists) {
        read.insert(comparableName(settingsName));
        addFor(Severity::error, settingsName,
               "読み込めないため " + programName +
                   " は埋め込み設定を使います。フォルダやほかのプログラムが開いたままのファイルではなく、読めるファイルにしてください");
    }
    if (!readEmbeddedSettings(program.get(), text_)) {
        addFor(Severity::error, programName,
               "設定ファイル " + settingsName + " も埋め込み設定もないため「設定ファイルが読み込めません。」と表示されます。" +
                   settingsName + " を置いてください");
        return false;
    }
    if (!settingsFile.exists) {
        add(Severity::note, 0,
            settingsName + " がないため、プログラムに埋め込まれた設定を使います。別の設定にするなら " + settingsName +
                " を置いてください");
    }
    return true;
}

void ProgramCheck::checkEncoding(const std::string& bytes) {
    const EncodingCheck check = ::checkEncoding(bytes);
    inAnotherEncoding_ = check.encoding == TextEncoding::utf8WithoutBom ||
                         check.encoding == TextEncoding::utf8WithBom || check.encoding == TextEncoding::utf16;
    switch (check.encoding) {
        case TextEncoding::codePage932: break;
        case TextEncoding::utf8WithoutBom:
            add(Severity::error, check.line,
                "UTF-8 で保存されているため、どのキーも一致せず「設定ファイルが読み込めません。」と表示されます。"
                "Shift_JIS (CP932) で保存し直すか scripts/convert-settings で変換してください");
            break;
        case TextEncoding::utf8WithBom:
            add(Severity::error, check.line,
                "BOM 付き UTF-8 で保存されているため、どのキーも一致せず「設定ファイルが読み込めません。」と表示されます。"
                "BOM なしの Shift_JIS (CP932) で保存し直すか scripts/convert-settings で変換してください");
            break;
        case TextEncoding::bomOnCodePage932: {
            markOnFirstLine_ = true;
            // The mark is part of the first line's bytes: a key there is lost.
            std::string value;
            const std::string& first = text_.lines().empty() ? std::string() : text_.lines()[0];
            const bool keyLost = first.size() >= 3 && keyOfLine(first.substr(3), value) != SettingsKey::none;
            add(keyLost ? Severity::error : Severity::warning, 1,
                std::string("先頭に BOM (EF BB BF) があり、1 行目が読めません") +
                    (keyLost ? "。この行のキーは無視されます" : "") + "。BOM なしで保存し直してください");
            break;
        }
        case TextEncoding::utf16:
            add(Severity::error, check.line,
                "UTF-16 で保存されているため、どのキーも一致せず「設定ファイルが読み込めません。」と表示されます。"
                "Shift_JIS (CP932) で保存し直してください");
            break;
        case TextEncoding::notCodePage932:
            add(Severity::warning, check.line,
                "Shift_JIS (CP932) にないバイトがあり、文字化けします。Shift_JIS (CP932) で保存し直してください");
            break;
    }
    if (const int line = lineOfTextHiddenByCtrlZ(bytes)) {
        add(Severity::warning, line,
            "Ctrl-Z (0x1A) より後ろは読まれません。後ろの行を使うなら Ctrl-Z を取り除いてください");
    }
}

void ProgramCheck::checkLineWithoutKey(int line, const std::string& text) {
    const LineLookCheck look = lookOfLine(text);
    const std::string key = keyText(look.key);
    // A dropped "ファイル," line leaves its file out of the patch.
    const Severity severity = look.key == SettingsKey::file ? Severity::error : Severity::warning;
    switch (look.look) {
        case LineLook::ignoredAsIntended: break;
        case LineLook::leadingSpace:
            add(severity, line, "行頭に空白があるため" + quoted(key) + "の行として読まれず無視されます。行頭の空白を消してください");
            break;
        case LineLook::fullWidthComma:
            add(severity, line,
                "キーの後が全角の読点・カンマのため" + quoted(key) + "の行として読まれず無視されます。半角カンマの" +
                    quoted(key) + "にしてください");
            break;
        case LineLook::keyWithoutComma:
            add(severity, line,
                quoted(keyName(look.key)) + "の直後に半角カンマがないため無視されます。" + quoted(key) +
                    "の後に値を書いてください");
            break;
        case LineLook::misspeltKey:
            add(severity, line, "キーの綴りが違うため無視されます。" + quoted(key) + "ではありませんか");
            break;
        case LineLook::unknown:
            add(Severity::warning, line,
                "どのキーにも当たらないため無視されます。コメントなら行頭に「;」を付けてください");
            break;
    }
}

void ProgramCheck::checkLines() {
    const std::vector<std::string>& lines = text_.lines();
    // The values are what the program's own reader makes of the text; the
    // walk below only finds the line each came from.
    const SettingsValues values = readSettingsValues(lines);
    static_cast<ProgramTexts&>(settings_) = values;
    std::string value;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const SettingsKey key = keyOfLine(lines[i], value);
        if (key == SettingsKey::none) {
            // In another encoding every line misses its key for the one
            // reason already reported; so does a first line behind a mark.
            if (!inAnotherEncoding_ && !(line == 1 && markOnFirstLine_)) {
                checkLineWithoutKey(line, lines[i]);
            }
            continue;
        }
        if (key == SettingsKey::file) {
            const FileLine& file = values.files.at(files_.size());
            files_.push_back({line, file.sourceName,
                              file.destinationName.empty() ? file.sourceName : file.destinationName});
            continue;
        }
        if (const auto earlier = lastLineOf_.find(key); earlier != lastLineOf_.end()) {
            add(Severity::warning, line,
                quoted(keyText(key)) + "が " + lineText(earlier->second) +
                    "にもあり、後のこの行が使われます。どちらか一つにしてください");
        }
        lastLineOf_[key] = line;
        checkSurroundingSpace(line, key, value);
    }
}

// Nothing is trimmed: "タイトル, 港の灯" names another registry key than the
// game's installer wrote, and " Game.exe" another file.
void ProgramCheck::checkSurroundingSpace(int line, SettingsKey key, const std::string& value) {
    if (key == SettingsKey::caption || value.empty()) {
        return;
    }
    const std::string fullWidthSpace = "　";
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    const bool before = isSpace(value.front()) || value.rfind(fullWidthSpace, 0) == 0;
    const bool after = isSpace(value.back()) || endsWithCharacter(value, fullWidthSpace);
    if (before || after) {
        add(Severity::warning, line,
            quoted(keyText(key)) + "の値の" + (before ? "前" : "後ろ") +
                "に空白があり、空白も値に含まれます (レジストリのキーやファイル名と一字一句同じでなければなりません)。空白を消してください");
    }
}

void ProgramCheck::checkRequiredValues() {
    // Every key is missing for the one reason already reported.
    if (inAnotherEncoding_) {
        return;
    }
    struct Required {
        SettingsKey key;
        const std::string& value;
        Severity severity;
        const char* consequence;
    };
    const Required required[] = {
        {SettingsKey::caption, settings_.caption, Severity::warning, "ダイアログのタイトルが空になります"},
        {SettingsKey::title, settings_.title, Severity::error,
         "レジストリのキーが決まらず、ゲームが見つかりません (「がインストールされていません。」)"},
        {SettingsKey::company, settings_.company, Severity::error,
         "レジストリのキーが決まらず、ゲームが見つかりません (「がインストールされていません。」)"},
        {SettingsKey::executableName, settings_.executableName, Severity::warning,
         "フォルダにゲームがあるかを確かめずに、どのフォルダにもコピーします"},
    };
    for (const Required& item : required) {
        if (!item.value.empty()) {
            continue;
        }
        const auto at = lastLineOf_.find(item.key);
        const std::string key = quoted(keyText(item.key));
        if (at == lastLineOf_.end()) {
            add(item.severity, 0, key + "の行がありません。" + item.consequence + "。" + key + "の行を書いてください");
        } else {
            add(item.severity, at->second, key + "の値が空です。" + item.consequence + "。値を書いてください");
        }
    }
    if (files_.empty()) {
        add(Severity::error, 0,
            quoted(keyText(SettingsKey::file)) +
                "の行が一つもないため「設定ファイルが読み込めません。」と表示されます。コピーするファイルを" +
                quoted(keyText(SettingsKey::file)) + "の行で書いてください");
    }
}

void ProgramCheck::checkFile(const FileLineAt& file, const std::vector<std::string>& unlisted) {
    std::uint64_t copied = fourGiB;  // not copied, unless found below
    const DestinationProblem problem = destinationProblemOf(file.destination.c_str());
    // A refused destination makes the program refuse the whole settings,
    // whatever the line's source is; the source is listed all the same.
    if (problem != DestinationProblem::none) {
        add(Severity::error, file.line,
            "コピー先" + quoted(file.destination) + "が" + destinationProblemText(problem) +
                "。この設定は拒否され「設定ファイルが読み込めません。」と表示されます。インストール先フォルダの中の名前にしてください");
    }
    if (!file.source.empty()) {
        listedSources_.insert(comparableName(file.source));
    }
    if (file.source.empty()) {
        add(Severity::error, file.line, "コピーするファイル名が空のため、この行は何もコピーしません。ファイル名を書いてください");
    } else if (hasWildcard(file.source)) {
        add(Severity::error, file.line,
            quoted(file.source) + "に * か ? があり、コピーに失敗します。実際のファイル名を書いてください");
    } else if (problem == DestinationProblem::none) {
        const PatchFileEntry entry =
            PatchFileEntry::fromSettingsLine(options_.patchFolder, file.source, file.destination);
        const FoundFile found = findAt(entry.sourcePath);
        if (!found.exists) {
            const std::string guess = closestName(file.source, unlisted);
            // A full-width comma separates nothing: both names become one.
            const bool fullWidthComma = holdsCharacter(file.source, "，");
            add(Severity::error, file.line,
                quoted(file.source) + "がパッチフォルダにないため、黙ってスキップされます。" +
                    (fullWidthComma ? std::string("コピー先との区切りは半角カンマ「,」にしてください")
                     : guess.empty() ? std::string("ファイルを置くか、行を直してください")
                                     : quoted(guess) + "のことなら、名前をそろえてください"));
        } else if (found.isFolder) {
            add(Severity::error, file.line,
                quoted(file.source) + "はフォルダのため、コピーに失敗します。フォルダの中のファイルを一つずつ書いてください");
        } else if (entry.size == noSizeMarker) {
            add(Severity::error, file.line,
                quoted(file.source) + "は " + std::to_string(found.size) +
                    " バイトで、4 GiB 未満 (4294967295 バイト未満) でないため、黙ってスキップされます。ファイルを分けてください");
        } else if (namesAFolder(file.destination)) {
            // Counted in the size the dialog shows, then the copy stops there.
            totalBytes_ += entry.size;
            add(Severity::error, file.line,
                "コピー先" + quoted(file.destination) +
                    "はファイルではなくフォルダを指すため、コピーに失敗します。コピー先はファイル名まで書いてください");
        } else {
            copied = entry.size;
            totalBytes_ += entry.size;
            add(Severity::note, file.line,
                quoted(file.source) + "(" + std::to_string(entry.size) + " バイト) をインストール先の" + quoted(file.destination) +
                    "へコピーします");
        }
    }
    entrySizes_.push_back(copied);
    for (std::size_t earlier = 0; earlier + 1 < entrySizes_.size(); ++earlier) {
        if (sameDestination(files_[earlier].destination, file.destination)) {
            add(Severity::error, file.line,
                "コピー先" + quoted(file.destination) + "は " + lineText(files_[earlier].line) +
                    "と同じで、先にコピーしたファイルを上書きします。どちらかを直してください");
            break;
        }
    }
    if (problem == DestinationProblem::none) {
        const std::string folder = folderPartOf(file.destination);
        if (!folder.empty()) {
            neededFolders_.insert(folder);
        }
    }
}

void ProgramCheck::checkFiles(const std::vector<std::string>& folderFiles) {
    // A misnamed source is most likely one of the files no line lists.
    std::set<std::string> listed;
    for (const FileLineAt& file : files_) {
        listed.insert(comparableName(file.source));
    }
    std::vector<std::string> unlisted;
    for (const std::string& name : folderFiles) {
        if (listed.count(comparableName(name)) == 0) {
            unlisted.push_back(name);
        }
    }
    for (const FileLineAt& file : files_) {
        settings_.sources.push_back(file.source);
        settings_.destinations.push_back(file.destination);
        checkFile(file, unlisted);
    }
}

void ProgramCheck::reportSize() {
    if (files_.empty()) {
        return;
    }
    // Only each file must stay under 4 GiB: the program sums the sizes, and
    // works out its figures and its progress, in 64 bits.
    add(Severity::note, 0, "ダイアログには「容量 " + kilobytesText(totalBytes_) + "」と表示されます");
}

void ProgramCheck::reportRegistry() {
    if (settings_.title.empty() || settings_.company.empty() || files_.empty()) {
        return;
    }
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + settings_.company + "\\" + settings_.title;
    const std::string key64 =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + settings_.company + "\\" + settings_.title;
    add(Severity::note, 0,
        "インストール先はレジストリ " + key + " の値 path から読みます (32 ビット表示。64 ビット版 Windows では " +
            key64 + ")");
    std::string installFolder;
    if (readInstallFolder(settings_.company, settings_.title, installFolder) == settingsReady) {
        add(Severity::note, 0, "この PC にはこのエントリがあり、path は" + quoted(installFolder) + "です");
        checkInstallation(installFolder, false);
    } else {
        add(Severity::note, 0,
            "この PC にはこのエントリがありません。プレイヤーの PC では、ゲームのインストーラがここに書いている必要があります"
            " (試すには --install-folder か scripts/try-patch)");
        for (const std::string& folder : neededFolders_) {
            add(Severity::note, 0, "インストール先に" + quoted(folder) + "フォルダが必要です (プログラムはフォルダを作りません)");
        }
    }
}

// Against an installation: the publisher's own (--install-folder) or the one
// this machine's registry names.
void ProgramCheck::checkInstallation(const std::string& folder, bool chosenByPublisher) {
    const std::string where = "インストール先" + quoted(folder);
    // A folder found on this machine is only a sample of a player's: its
    // faults are warnings there, errors when the publisher named it.
    const Severity severity = chosenByPublisher ? Severity::error : Severity::warning;
    // The program's own test: a find-first search, which a file passes as a
    // folder would, and a drive root ("D:\") fails.
    if (!pathExists(folder.c_str())) {
        add(severity, 0, where + "がないため「指定されたフォルダがありません。」と表示されます");
        return;
    }
    if (!settings_.executableName.empty() && !findAt(folder + "\\" + settings_.executableName).exists) {
        add(severity, lastLineOf_[SettingsKey::executableName],
            where + "に" + quoted(settings_.executableName) + "がないため「" + settings_.title +
                "がインストールされていません。」と表示されます。実行ファイル名かフォルダを確かめてください");
    }
    for (const std::string& needed : neededFolders_) {
        if (!isFolderAt(folder + "\\" + needed)) {
            add(severity, 0,
                where + "に" + quoted(needed) + "フォルダがないため、そこへのコピーが失敗します (プログラムはフォルダを作りません)");
        }
    }
    std::uint64_t growth = 0;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const FileLineAt& file = files_[i];
        if (entrySizes_[i] >= fourGiB || !seen.insert(comparableName(file.destination)).second) {
            continue;
        }
        const std::string path = folder + "\\" + file.destination;
        const FoundFile existing = findAt(path);
        if (!existing.exists) {
            growth += entrySizes_[i];
            const std::string parent = folderPartOf(file.destination);
            // A missing subfolder has its own finding above.
            if (parent.empty() || isFolderAt(folder + "\\" + parent)) {
                add(Severity::note, file.line, quoted(file.destination) + "を新しく作ります");
            }
        } else if (existing.isFolder) {
            add(severity, file.line,
                quoted(file.destination) + "はインストール先ではフォルダのため、コピーに失敗します");
        } else if (existing.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
            add(severity, file.line,
                quoted(file.destination) + "は読み取り専用・隠し・システムのいずれかの属性があり、上書きに失敗します");
        } else {
            growth += entrySizes_[i] > existing.size ? entrySizes_[i] - existing.size : 0;
            add(Severity::note, file.line, quoted(file.destination) + "を置き換えます");
        }
    }
    std::uint64_t free = 0;
    if (options_.assumedFreeSpace && chosenByPublisher) {
        free = *options_.assumedFreeSpace;
    } else {
        const std::optional<std::uint64_t> available = freeBytesFor(folder);
        if (!available) {
            return;
        }
        free = *available;
    }
    if (free < growth) {
        add(severity, 0,
            where + "のドライブの空き容量 " + sizeText(free) + " では、増える分 " + sizeText(growth) +
                "が入らず、コピーに失敗します。空きを作るよう案内してください");
    } else {
        add(Severity::note, 0, where + "の空き容量 " + sizeText(free) + "、コピーで増える分 " + sizeText(growth));
    }
}

ProgramSettings ProgramCheck::run(const std::string& programName, const ProgramAsData& program,
                                  std::set<std::string>& settingsFilesRead, const std::vector<std::string>& folderFiles) {
    const std::size_t first = findings_.size();
    if (readSettings(programName, program, settingsFilesRead)) {
        checkLines();
        checkRequiredValues();
        checkFiles(folderFiles);
        reportSize();
        if (options_.installFolder) {
            checkInstallation(*options_.installFolder, true);
        } else {
            reportRegistry();
        }
    }
    // In the order of the settings text, as a compiler reports; what
    // concerns a file as a whole comes after its lines.
    std::stable_sort(findings_.begin() + static_cast<std::ptrdiff_t>(first), findings_.end(),
                     [](const Finding& a, const Finding& b) {
                         return a.file < b.file || (a.file == b.file && a.line != 0 && (b.line == 0 || a.line < b.line));
                     });
    return settings_;
}

bool isThisChecker(const std::string& name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string own(path, length);
    // The folder by the program's own scan, which steps over the trail byte
    // 0x5C of ソ or 表.
    const std::string folder = programFolderOf(("\"" + own + "\"").c_str());
    const std::string ownName = folder.empty() ? own : own.substr(folder.size() + 1);
    return comparableName(name) == comparableName(ownName) || comparableName(name) == "PATCH-CHECK.EXE";
}

// A name directly in the patch folder, not in a subfolder of it ("表示.exe"
// holds the byte 0x5C, yet no separator).
bool isTopLevel(const std::string& name) { return findChar(name.c_str(), '\\') < 0; }

// The .inf file a program would read, by the program's own base-name rule.
std::string settingsNameOf(const std::string& folder, const std::string& programName) {
    return programBaseNameOf(("\"" + folder + "\\" + programName + "\"").c_str()) + ".inf";
}

}  // namespace

CheckReport checkPatchFolder(const CheckOptions& options) {
    CheckReport report;
    std::vector<Finding>& findings = report.findings;
    const std::string& folder = options.patchFolder;
    if (!isFolderAt(folder)) {
        findings.push_back({Severity::error, folder, 0, "パッチフォルダがありません。フォルダを指定してください"});
        return report;
    }
    std::vector<FolderEntry> entries;
    listFolder(folder, "", entries);

    std::vector<std::string> programs;
    std::vector<std::string> others;  // candidates for a misnamed source
    for (const FolderEntry& entry : entries) {
        if (entry.isFolder) {
            continue;
        }
        const bool topLevel = isTopLevel(entry.name);
        if (topLevel && endsWithNoCase(entry.name, ".exe") && !isThisChecker(entry.name) &&
            ProgramAsData(folder + "\\" + entry.name).hasEmbeddedSettings()) {
            programs.push_back(entry.name);
        } else if (!(topLevel && (endsWithNoCase(entry.name, ".inf") || isThisChecker(entry.name)))) {
            others.push_back(entry.name);
        }
    }
    if (programs.empty()) {
        findings.push_back({Severity::error, ".", 0,
                            "パッチプログラム (設定を埋め込んだ .exe) がありません。dist/ のプログラムを置いてください"});
        return report;
    }

    std::set<std::string> settingsFilesRead;
    std::set<std::string> listedSources;
    for (const std::string& program : programs) {
        ProgramAsData data(folder + "\\" + program);
        ProgramCheck check(options, findings, listedSources);
        report.programs.push_back(check.run(program, data, settingsFilesRead, others));
    }

    for (const FolderEntry& entry : entries) {
        const bool topLevel = isTopLevel(entry.name);
        if (entry.isFolder || !topLevel || !endsWithNoCase(entry.name, ".inf") ||
            settingsFilesRead.count(comparableName(entry.name)) != 0) {
            continue;
        }
        std::string readers;
        for (const std::string& program : programs) {
            readers += (readers.empty() ? "" : "、") + program + " は " + settingsNameOf(folder, program);
        }
        findings.push_back({Severity::error, entry.name, 0,
                            "どのプログラムもこのファイルを読みません (" + readers +
                                " を読みます。プログラムはファイル名の最初のピリオドまでを名前とします)。名前を合わせてください"});
    }
    for (const FolderEntry& entry : entries) {
        if (!entry.isFolder && isTopLevel(entry.name) && isThisChecker(entry.name)) {
            findings.push_back({Severity::note, entry.name, 0,
                                "このチェッカーはプレイヤーには要りません。配布するフォルダからは外してください"});
        }
    }
    for (const std::string& name : others) {
        if (listedSources.count(comparableName(name)) == 0) {
            findings.push_back({Severity::warning, name, 0,
                                "どの「ファイル,」の行にも書かれていないため、コピーされません。要るなら行を足し、要らないなら消してください"});
        }
    }
    return report;
}
