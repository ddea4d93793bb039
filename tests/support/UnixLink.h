// Links for the tests, as a game folder may hold them (a junction needs no
// privilege on Windows). Under Wine 8 CreateSymbolicLinkW reports success
// and makes nothing, but a Unix symbolic link to a folder inside a drive
// shows as a folder with FILE_ATTRIBUTE_REPARSE_POINT, and paths through it
// reach the target. Wine runs a Unix program that CreateProcessW names by
// its Unix path, in the Unix form of the current folder it is given: the
// link is made by /bin/ln -s there. Its process handle can't be waited for
// (the wait returns before the program has run), so the owner waits for the
// link itself. Windows calls can't remove it under Wine (RemoveDirectoryW
// and DeleteFileW fail on it), so /bin/rm does, when the owner goes. A Unix
// link to a file shows as a plain file under Wine 8: only links to folders
// can be tested.
//
// Declare it after the TempFolder that holds it, so that it goes first: a
// folder's removal would walk through the link and empty its target.
#pragma once

#include <windows.h>

#include <string>

class UnixLink {
public:
    // A link `name` in `folder` to `target`, a Unix path relative to
    // `folder` ("../outside") or absolute.
    UnixLink(const std::wstring& folder, const std::wstring& name, const std::wstring& target);
    ~UnixLink();
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;

    // Whether the link is there, and shows as a reparse point.
    bool made() const;
    std::wstring path() const { return folder_ + L'\\' + name_; }

private:
    std::wstring folder_;
    std::wstring name_;
};

// Starts a Unix command line in the Unix form of `folder`; true when it
// started. Its end can't be waited for.
bool startUnixCommand(const std::wstring& folder, std::wstring commandLine);
