// The settings record: context sizes, last folder, file and search, the view
// font, the recent lists; kept under HKCU\SOFTWARE\Osmi\Tilvo. UI thread only.
#pragma once

#include "engine/text/TextCodec.h"

#include <windows.h>

#include <string>
#include <vector>

// Each value's registry name, type and default are written once, in the table
// in Settings.cpp; the record starts out with those defaults.
struct Settings {
    Settings();

    std::wstring LastFolder;
    std::wstring LastFile;
    std::wstring LastSearch;
    DWORD LinesBefore;
    DWORD LinesAfter;
    std::wstring ViewFontFamily;
    int ViewFontSize;
    int ViewFontWeight;
    int RecentLimit;
    // 1: a line of a log without a byte-order mark that is valid UTF-8 and
    // holds a multi-byte sequence is read as UTF-8; 0: every such line in the
    // ANSI code page. Edited in the registry.
    int Utf8Lines;
    // Kept by the program for itself, and written only once they hold something: where the
    // main dialog and the last viewer were when they closed ("left top right bottom" in screen
    // pixels), and how Find reads its text (kFindWildcards, kFindPlainText or kFindRegex).
    std::wstring MainPlace;
    std::wstring ViewerPlace;
    std::wstring FindMode;
    std::vector<std::wstring> RecentFiles;
    std::vector<std::wstring> RecentSearches;

    // How many entries a recent list keeps: RecentLimit, below 0 counting as 0.
    size_t RecentBound() const;
};

// The process-wide record, holding the defaults until LoadSettings runs.
Settings& AppSettings();
// The record as it is before anything is loaded.
const Settings& DefaultSettings();

// The program's key, "SOFTWARE\Osmi\Tilvo" under HKEY_CURRENT_USER.
extern const wchar_t* const kSettingsKey;
// The three ways Find reads its text, as FindMode holds them.
extern const wchar_t* const kFindWildcards;
extern const wchar_t* const kFindPlainText;
extern const wchar_t* const kFindRegex;

// Reads the record and both recent lists, creating every missing value with
// the value the setting holds, and imports the filters of the old registry
// layout into the category "Default" once. The import saves the categories to
// CategoriesFileInUse().
bool LoadSettings();
bool SaveSettings();
// The same under another key path of HKEY_CURRENT_USER (tests: a throw-away key).
bool LoadSettings(const wchar_t* keyPath);
bool SaveSettings(const wchar_t* keyPath);
// The import saves the categories to `categoriesPath`.
bool LoadSettings(const wchar_t* keyPath, const std::wstring& categoriesPath);

// How the lines of a log or result file without a byte-order mark are read,
// as the "Utf8Lines" value says.
LineDecoding AppLineDecoding();
