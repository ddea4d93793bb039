#include "tests/settings/TestGameKey.h"

#include <gtest/gtest.h>

#include <atomic>

#include "core/GameRegistryView.h"
#include "core/HandleOwners.h"
#include "tests/support/TempFolder.h"

TestGameKey::TestGameKey() : TestGameKey({"パッチ試験", L"パッチ試験"}, {"ソフト表", L"ソフト表"}) {}

TestGameKey::TestGameKey(const GameName& company, const GameName& title) : company_(company), title_(title) {
    static std::atomic<unsigned> counter{0};
    const std::string unique = " " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    const std::wstring uniqueText(unique.begin(), unique.end());  // ASCII
    company_.settingsBytes += unique;
    company_.text += uniqueText;
    title_.settingsBytes += unique;
    title_.text += uniqueText;
}

TestGameKey::~TestGameKey() {
    deleteGameKeyTree(company_.text.c_str());
}

void TestGameKey::create() const {
    RegistryKey key;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE | gameKeyView, nullptr, key.receive(), nullptr);
    ASSERT_EQ(created, ERROR_SUCCESS) << utf8(keyPath());
}

void TestGameKey::setValue(const wchar_t* name, DWORD type, const std::string& bytes) const {
    RegistryKey key;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE | gameKeyView, nullptr, key.receive(), nullptr);
    ASSERT_EQ(created, ERROR_SUCCESS) << utf8(keyPath());
    const LONG set = RegSetValueExW(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size()));
    ASSERT_EQ(set, ERROR_SUCCESS) << utf8(name);
}

void TestGameKey::setPath(const std::wstring& text) const {
    setValue(L"path", REG_SZ, utf16Bytes(std::wstring(text.c_str(), text.size() + 1)));
}

std::string utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}
