#include "tests/settings/TestGameKey.h"

#include <gtest/gtest.h>

#include <atomic>

#include "core/HandleOwners.h"

TestGameKey::TestGameKey() {
    static std::atomic<unsigned> counter{0};
    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    // Double-byte names, as the game's own installer may write them.
    company_ = "パッチ試験 " + unique;
    title_ = "ソフト表 " + unique;
}

TestGameKey::~TestGameKey() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\" + company_).c_str());
}

void TestGameKey::create() const {
    RegistryKey key;
    const LONG created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE, nullptr, key.receive(), nullptr);
    ASSERT_EQ(created, ERROR_SUCCESS) << keyPath();
}

void TestGameKey::setValue(const char* name, DWORD type, const std::string& bytes) const {
    RegistryKey key;
    const LONG created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE, nullptr, key.receive(), nullptr);
    ASSERT_EQ(created, ERROR_SUCCESS) << keyPath();
    const LONG set = RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size()));
    ASSERT_EQ(set, ERROR_SUCCESS) << name;
}

void TestGameKey::setPath(const std::string& text) const {
    setValue("path", REG_SZ, std::string(text.c_str(), text.size() + 1));
}
