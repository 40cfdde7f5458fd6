// Compressed logs in viewers: each is decompressed once into a temporary copy
// that lives as long as a viewer shows it.
#pragma once

#include "engine/io/TempCopy.h"

#include <windows.h>

#include <memory>
#include <string>

// A decompressed copy and the log it was made of, which the viewer's title names.
class CUnpackedLog {
public:
    const std::wstring& Original() const { return m_original; }
    const std::wstring& Path() const { return m_copy.Path(); }

private:
    friend std::shared_ptr<CUnpackedLog> UnpackForViewing(HWND, const std::wstring&,
                                                          const std::wstring&);
    CTempCopy m_copy;
    std::wstring m_original;      // "archive.zip:member.log" for a member
    bool m_whole = false;         // the whole log is in it: it may be shown again
    FILETIME m_written{};         // the log's time when it was copied
};

// Where copies are made: the user's temporary folder unless set (tests set
// their own). The folder ends in a backslash.
void SetUnpackFolder(const std::wstring& folder);
std::wstring UnpackFolder();

// The copy of the gzip log `packed`, or of its zip member named `member`, for
// a viewer: the one a viewer shows already, or a new one made while a
// progress window with Cancel waits on `owner`. A disk close to full or
// damaged data end the copy early with a message, and what was written is
// shown. Null when there is nothing to show (cancelled, or failed: the user
// has been told).
std::shared_ptr<CUnpackedLog> UnpackForViewing(HWND owner, const std::wstring& packed,
                                               const std::wstring& member = {});
