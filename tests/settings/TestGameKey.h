// A game's registry entry for one test: HKEY_LOCAL_MACHINE\SOFTWARE\company\title
// with a company name no other test process uses, so that tests run in
// parallel. Written from this 32-bit process, it lands in the view the
// program reads. Removed with everything under the company at the end.
#pragma once

#include <windows.h>

#include <string>

class TestGameKey {
public:
    TestGameKey();
    ~TestGameKey();
    TestGameKey(const TestGameKey&) = delete;
    TestGameKey& operator=(const TestGameKey&) = delete;

    const std::string& company() const { return company_; }
    const std::string& title() const { return title_; }

    // Creates the key, with no values.
    void create() const;
    // Creates the key if needed and stores a value of any type, bytes as given.
    void setValue(const char* name, DWORD type, const std::string& bytes) const;
    // A "path" value of type REG_SZ holding text and its terminator.
    void setPath(const std::string& text) const;

private:
    std::string keyPath() const { return "SOFTWARE\\" + company_ + "\\" + title_; }

    std::string company_;
    std::string title_;
};
