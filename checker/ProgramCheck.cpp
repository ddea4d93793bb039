#include "checker/ProgramCheck.h"

#include <algorithm>
#include <utility>

#include "checker/CaptionWidth.h"
#include "checker/settings_lint.h"
#include "core/FileProbe.h"
#include "core/PatchFileEntry.h"
#include "core/decimal_text.h"
#include "core/path_text.h"
#include "dialog/display_rules.h"
#include "settings/byte_scan.h"
#include "settings/cp932_conversion.h"
#include "settings/settings_destinations.h"
#include "settings/folder_names.h"

namespace {

const char* destinationProblemText(DestinationProblem problem) {
    switch (problem) {
        case DestinationProblem::fromRoot: return "ドライブのルートやネットワークの場所から始まっています";
        case DestinationProblem::driveOrStream: return "コロン (:) を含み、別のドライブかストリームを指します";
        case DestinationProblem::climbsOut: return "「..」でインストール先フォルダの外に出ます";
        case DestinationProblem::deviceName: return "CON や NUL などのデバイス名です";
        case DestinationProblem::dotsAndSpacesOnly: return "ピリオドと空白だけの名前を含みます";
        case DestinationProblem::forbiddenCharacter:
            return "ファイル名に使えない文字 (制御文字か < > \" | ? *) を含みます";
        case DestinationProblem::notCodePage932: return "Shift_JIS (CP932) にないバイトを含みます";
        case DestinationProblem::none: break;
    }
    return "";
}

}  // namespace

bool ProgramCheck::readSettings(const std::wstring& programName, const ProgramAsData& program,
                                std::set<std::wstring>& read) {
    // The program's own reading: its module path, split into its folder and
    // its name up to the first full stop.
    const std::wstring programPath = pathIn(options_.patchFolder, programName);
    programFolder_ = folderOfPath(programPath);
    const std::wstring& folder = programFolder_;
    const std::wstring wideSettingsName = baseNameOfPath(programPath) + L".inf";
    const std::wstring settingsPath = folder + L'\\' + wideSettingsName;
    settings_.programName = cp932Of(programName);
    const std::wstring& settingsName = wideSettingsName;
    if (readSettingsFile(folder, baseNameOfPath(programPath), text_)) {
        label_ = settingsName;
        settings_.settingsFrom = cp932Of(settingsName);
        read.insert(comparableWideName(wideSettingsName));
        add(Severity::note, 0, programName + L" はこの設定ファイルを読みます (埋め込み設定は使いません)");
        if (const auto bytes = fileBytesAt(settingsPath)) {
            checkEncoding(*bytes);
        }
        return true;
    }
    label_ = programName + L"(埋め込み設定)";
    const FoundFile settingsFile = findAt(settingsPath);
    if (settingsFile.exists) {
        read.insert(comparableWideName(wideSettingsName));
        addFor(Severity::error, settingsName,
               L"読み込めないため " + programName +
                   L" は埋め込み設定を使います。フォルダやほかのプログラムが開いたままのファイルではなく、読めるファイルにしてください");
    }
    if (!readEmbeddedSettings(program.get(), text_)) {
        addFor(Severity::error, programName,
               L"設定ファイル " + settingsName + L" も埋め込み設定もないため「設定ファイルが読み込めません。」と表示されます。" +
                   settingsName + L" を置いてください");
        return false;
    }
    if (!settingsFile.exists) {
        add(Severity::note, 0,
            settingsName + L" がないため、プログラムに埋め込まれた設定を使います。別の設定にするなら " + settingsName +
                L" を置いてください");
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
                "Shift_JIS (CP932) で保存し直すか、patch-make --convert-settings で変換してください");
            break;
        case TextEncoding::utf8WithBom:
            add(Severity::error, check.line,
                "BOM 付き UTF-8 で保存されているため、どのキーも一致せず「設定ファイルが読み込めません。」と表示されます。"
                "BOM なしの Shift_JIS (CP932) で保存し直すか、patch-make --convert-settings で変換してください");
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
            const bool destinationGiven = !file.destinationName.empty();
            const std::string& destination = destinationGiven ? file.destinationName : file.sourceName;
            files_.push_back({line, file.sourceName, destination, destinationGiven, wideOf(file.sourceName),
                              wideOf(destination)});
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

void ProgramCheck::addNotConverted(int line, const std::string& what, const std::string& name) {
    add(Severity::error, line,
        what + quoted(shown(name)) +
            "に Shift_JIS (CP932) にないバイトがあり、この設定は拒否され「設定ファイルが読み込めません。」と表示されます。"
            "Shift_JIS (CP932) にある文字だけで書いてください");
}

// The program converts each name once, with code page 932; one that does
// not convert makes the whole settings unusable. The names of the "ファイル,"
// lines are checkFile's.
void ProgramCheck::checkNamesConvert() {
    const std::pair<SettingsKey, const std::string*> names[] = {
        {SettingsKey::caption, &settings_.caption},
        {SettingsKey::title, &settings_.title},
        {SettingsKey::company, &settings_.company},
        {SettingsKey::executableName, &settings_.executableName},
    };
    for (const auto& [key, value] : names) {
        const auto at = lastLineOf_.find(key);
        if (at != lastLineOf_.end() && !wideOf(*value)) {
            addNotConverted(at->second, quoted(keyText(key)) + "の値", *value);
        }
    }
}

// A caption wider than the title bar loses its end under the close button
// (Windows cuts it with an ellipsis). Measured as a player at 100 % sees it:
// the system's caption font at 96 DPI, against the program's own dialog
// template.
void ProgramCheck::checkCaptionFits(const ProgramAsData& program) {
    const std::optional<std::wstring> caption = wideOf(settings_.caption);
    if (!caption || caption->empty()) {
        return;  // a caption that does not convert, or none: reported already
    }
    const std::optional<CaptionFit> fit = measureCaption(program.get(), *caption);
    if (!fit || fit->captionWidth <= fit->room) {
        return;
    }
    const auto at = lastLineOf_.find(SettingsKey::caption);
    add(Severity::warning, at == lastLineOf_.end() ? 0 : at->second,
        "キャプション" + quoted(settings_.caption) + "はタイトル バーに収まりません (幅 " +
            decimalText(static_cast<std::uint64_t>(fit->captionWidth)) + " ピクセル、表示できるのは " + decimalText(static_cast<std::uint64_t>(std::max(fit->room, 0))) +
            " ピクセルまで)。短くしてください");
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

// The line's names as the program converts them: one that does not makes the
// whole settings unusable. A destination the line does not give is the
// source: one finding.
void ProgramCheck::checkFileNamesConvert(const FileLineAt& file) {
    if (!file.wideSource) {
        addNotConverted(file.line, "コピーするファイル名", file.source);
    }
    if (!file.wideDestination && file.destinationGiven) {
        addNotConverted(file.line, "コピー先", file.destination);
    }
}

// A refused destination makes the program refuse the whole settings,
// whatever the line's source is.
DestinationProblem ProgramCheck::checkDestination(const FileLineAt& file) {
    const DestinationProblem problem = file.wideDestination ? destinationProblemOf(*file.wideDestination)
                                                            : DestinationProblem::notCodePage932;
    if (problem == DestinationProblem::forbiddenCharacter) {
        add(Severity::error, file.line,
            "コピー先" + quoted(file.destination) + "が" + destinationProblemText(problem) +
                "。この設定は拒否され「設定ファイルが読み込めません。」と表示されます。ファイル名に使える文字にしてください");
    } else if (problem != DestinationProblem::none && problem != DestinationProblem::notCodePage932) {
        add(Severity::error, file.line,
            "コピー先" + quoted(file.destination) + "が" + destinationProblemText(problem) +
                "。この設定は拒否され「設定ファイルが読み込めません。」と表示されます。インストール先フォルダの中の名前にしてください");
    }
    return problem;
}

// The line's entry as the program loads it (not copied when the program
// reads no file for it), and what the copy will make of its source.
PatchFileEntry ProgramCheck::checkSource(const FileLineAt& file, DestinationProblem problem,
                                         const std::vector<std::string>& unlisted) {
    if (!file.wideSource || problem != DestinationProblem::none) {
        return {};  // reported already: the program reads no file of these settings
    }
    const PatchFileEntry entry = PatchFileEntry::fromSettingsLine(programFolder_, *file.wideSource, *file.wideDestination);
    // Counted in the size the dialog shows, whatever the copy then makes of it.
    if (entry.isCopied()) {
        totalBytes_ += entry.size;
    }
    if (file.source.empty()) {
        add(Severity::error, file.line, "コピーするファイル名が空のため、この行は何もコピーしません。ファイル名を書いてください");
        return entry;
    }
    if (hasWildcard(file.source)) {
        add(Severity::error, file.line,
            quoted(file.source) + "に * か ? があり、コピーに失敗します。実際のファイル名を書いてください");
        return entry;
    }
    const FoundFile found = findAt(entry.sourcePath);
    if (!found.exists) {
        reportMissingSource(file, unlisted);
    } else if (found.isFolder) {
        add(Severity::error, file.line,
            quoted(file.source) + "はフォルダのため、コピーに失敗します。フォルダの中のファイルを一つずつ書いてください");
    } else if (!entry.isCopied()) {
        add(Severity::error, file.line,
            quoted(file.source) + "は " + decimalText(found.size) +
                " バイトで、4 GiB (4294967296 バイト) 以上のため、黙ってスキップされます。ファイルを分けてください");
    } else if (namesAFolder(file.destination)) {
        add(Severity::error, file.line,
            "コピー先" + quoted(file.destination) +
                "はファイルではなくフォルダを指すため、コピーに失敗します。コピー先はファイル名まで書いてください");
    } else {
        add(Severity::note, file.line,
            quoted(file.source) + "(" + decimalText(entry.size) + " バイト) をインストール先の" + quoted(file.destination) +
                "へコピーします");
    }
    return entry;
}

void ProgramCheck::reportMissingSource(const FileLineAt& file, const std::vector<std::string>& unlisted) {
    const std::string guess = closestName(file.source, unlisted);
    // A full-width comma separates nothing: both names become one.
    const bool fullWidthComma = holdsCharacter(file.source, "，");
    add(Severity::error, file.line,
        quoted(file.source) + "がパッチフォルダにないため、黙ってスキップされます。" +
            (fullWidthComma ? std::string("コピー先との区切りは半角カンマ「,」にしてください")
             : guess.empty() ? std::string("ファイルを置くか、行を直してください")
                             : quoted(guess) + "のことなら、名前をそろえてください"));
}

// A later line to the same destination overwrites what an earlier one copied.
void ProgramCheck::checkDestinationUnique(const FileLineAt& file, std::size_t index) {
    if (!file.wideDestination) {
        return;
    }
    for (std::size_t earlier = 0; earlier < index; ++earlier) {
        if (comparableName(files_[earlier].destination) == comparableName(file.destination)) {
            add(Severity::error, file.line,
                "コピー先" + quoted(file.destination) + "は " + lineText(files_[earlier].line) +
                    "と同じで、先にコピーしたファイルを上書きします。どちらかを直してください");
            return;
        }
    }
}

void ProgramCheck::checkFile(const FileLineAt& file, const std::vector<std::string>& unlisted) {
    checkFileNamesConvert(file);
    const DestinationProblem problem = checkDestination(file);
    // The source is listed whatever the destination is.
    if (!file.source.empty()) {
        listedSources_.insert(comparableName(file.source));
    }
    entries_.push_back(checkSource(file, problem, unlisted));
    checkDestinationUnique(file, entries_.size() - 1);
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

ProgramSettings ProgramCheck::run(const std::wstring& programName, const ProgramAsData& program,
                                  std::set<std::wstring>& settingsFilesRead, const std::vector<std::string>& folderFiles) {
    const std::size_t first = findings_.size();
    if (readSettings(programName, program, settingsFilesRead)) {
        checkLines();
        checkRequiredValues();
        checkNamesConvert();
        checkCaptionFits(program);
        checkFiles(folderFiles);
        reportSize();
        if (options_.installFolder) {
            checkInstallation(*options_.installFolder, true);
        } else if (options_.lookAtThisMachine) {
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
