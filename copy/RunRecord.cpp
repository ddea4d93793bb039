#include "copy/RunRecord.h"

#include <iterator>
#include <utility>

#include "core/GameRegistryView.h"
#include "core/decimal_text.h"

namespace {

constexpr wchar_t folderValue[] = L"folder";
// Pieces of at most this many code units, cut after a line feed.
constexpr std::size_t pieceLength = 8192;
// Subkey names tried for a new record: far more than runs ever stop.
constexpr unsigned mostRecords = 1000;

RegistryKey openKey(const std::wstring& path, REGSAM access) {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | gameKeyView, key.receive()) != ERROR_SUCCESS) {
        key.reset();
    }
    return key;
}

constexpr REGSAM recordsAccess = KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | DELETE;

// A piece's value name, the decimal digits of `number`, written into
// `digits` (room for any 32-bit number).
const wchar_t* numberName(unsigned number, wchar_t (&digits)[12]) {
    wchar_t* at = std::end(digits);
    *--at = L'\0';
    do {
        *--at = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    return at;
}

bool setBytes(HKEY key, const wchar_t* name, DWORD type, const wchar_t* text, std::size_t length) {
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(length * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// A value's bytes as UTF-16; false when it is missing or no whole text.
bool readText(HKEY key, const wchar_t* name, DWORD wantedType, std::wstring& text) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType ||
        size % sizeof(wchar_t) != 0) {
        return false;
    }
    text.assign(size / sizeof(wchar_t), L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    text.resize(size / sizeof(wchar_t));
    if (wantedType == REG_SZ) {
        while (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
    }
    return true;
}

std::wstring below(const std::wstring& recordsKey, const std::wstring& name) { return recordsKey + L'\\' + name; }

}  // namespace

bool RunRecord::create(const std::wstring& recordsKey, const std::wstring& folder, const std::wstring& text) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, recordsKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        recordsAccess | gameKeyView, nullptr, records_.receive(), nullptr) != ERROR_SUCCESS) {
        records_.reset();
        return false;
    }
    // Never into a record that exists: it belongs to a run not yet repaired.
    for (unsigned number = 1; number <= mostRecords && !key_.valid(); ++number) {
        RegistryKey candidate;
        DWORD disposition = 0;
        const std::wstring name = wideDecimalText(number);
        if (RegCreateKeyExW(records_.get(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE | KEY_QUERY_VALUE | gameKeyView, nullptr, candidate.receive(),
                            &disposition) != ERROR_SUCCESS) {
            return false;
        }
        if (disposition == REG_CREATED_NEW_KEY) {
            key_ = std::move(candidate);
            name_ = name;
        }
    }
    if (!key_.valid()) {
        return false;
    }
    if (!writePieces(text) || !setBytes(key_.get(), folderValue, REG_SZ, folder.c_str(), folder.size() + 1) ||
        RegFlushKey(key_.get()) != ERROR_SUCCESS) {
        remove();
        return false;
    }
    return true;
}

// Allocates nothing: the commit's end and the roll back write and delete
// through here when memory may have run out.
bool RunRecord::writePieces(std::wstring_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start + pieceLength < text.size() ? text.rfind(L'\n', start + pieceLength - 1) + 1
                                                            : text.size();
        if (end <= start) {
            end = start + pieceLength;  // one line longer than a piece: cut it anywhere
        }
        wchar_t name[12];
        if (!setBytes(key_.get(), numberName(pieces_, name), REG_BINARY, text.data() + start, end - start)) {
            return false;
        }
        ++pieces_;
        start = end;
    }
    return true;
}

bool RunRecord::add(std::wstring_view text) {
    if (writeSeam_ != nullptr && !writeSeam_(text, seamContext_)) {
        return false;
    }
    return key_.valid() && writePieces(text);
}

bool RunRecord::append(std::wstring_view text) { return add(text) && RegFlushKey(key_.get()) == ERROR_SUCCESS; }

bool RunRecord::remove() {
    if (!key_.valid()) {
        return true;
    }
    key_.reset();
    const LONG status = RegDeleteKeyExW(records_.get(), name_.c_str(), gameKeyView, 0);
    return (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) && RegFlushKey(records_.get()) == ERROR_SUCCESS;
}

std::vector<StoredRun> storedRuns(const std::wstring& recordsKey) {
    std::vector<StoredRun> runs;
    const RegistryKey records = openKey(recordsKey, KEY_ENUMERATE_SUB_KEYS);
    if (!records.valid()) {
        return runs;
    }
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(records.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        StoredRun run{name, std::wstring(), std::wstring()};
        const RegistryKey key = openKey(below(recordsKey, run.name), KEY_QUERY_VALUE);
        if (key.valid() && readText(key.get(), folderValue, REG_SZ, run.folder)) {
            std::wstring piece;
            wchar_t digits[12];
            for (unsigned number = 0; readText(key.get(), numberName(number, digits), REG_BINARY, piece); ++number) {
                run.text += piece;
            }
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

bool removeStoredRun(const std::wstring& recordsKey, const std::wstring& name) {
    const RegistryKey records = openKey(recordsKey, recordsAccess);
    if (!records.valid()) {
        return false;
    }
    const LONG status = RegDeleteKeyExW(records.get(), name.c_str(), gameKeyView, 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    return RegFlushKey(records.get()) == ERROR_SUCCESS;
}

std::wstring storedRunPlace(const std::wstring& recordsKey, const std::wstring& name) {
    return L"HKEY_LOCAL_MACHINE\\" + below(recordsKey, name);
}
