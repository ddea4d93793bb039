// A game's registry entry for one test: HKEY_LOCAL_MACHINE\SOFTWARE\company\title
// with a company name no other test process uses, so that tests run in
// parallel. Written in the game's view (core/GameRegistryView.h), the one
// the program reads, from either build. Removed with everything under the company at the end.
#pragma once

#include <windows.h>

#include <string>

// A name of the game twice: as a settings text holds it (code page 932
// bytes, which narrow literals compile to) and as Windows holds it (UTF-16).
// Both are written by hand, so that the program's own conversion is checked
// against them rather than repeated.
struct GameName {
    std::string settingsBytes;
    std::wstring text;
};

class TestGameKey {
public:
    // Double-byte names, as the game's own installer may write them.
    TestGameKey();
    // The given names, each with a suffix of its own added.
    TestGameKey(const GameName& company, const GameName& title);
    ~TestGameKey();
    TestGameKey(const TestGameKey&) = delete;
    TestGameKey& operator=(const TestGameKey&) = delete;

    const std::wstring& company() const { return company_.text; }
    const std::wstring& title() const { return title_.text; }
    // The same names for a settings text.
    const std::string& companyInSettings() const { return company_.settingsBytes; }
    const std::string& titleInSettings() const { return title_.settingsBytes; }

    // Creates the key, with no values.
    void create() const;
    // Creates the key if needed and stores a value of any type, bytes as given.
    void setValue(const wchar_t* name, DWORD type, const std::string& bytes) const;
    // A "path" value of type REG_SZ holding text and its terminator.
    void setPath(const std::wstring& text) const;

private:
    std::wstring keyPath() const { return L"SOFTWARE\\" + company_.text + L"\\" + title_.text; }

    GameName company_;
    GameName title_;
};

// The bytes of a UTF-16 text as the registry stores them, without a
// terminator unless the text holds one.
std::string utf16Bytes(const std::wstring& text);
