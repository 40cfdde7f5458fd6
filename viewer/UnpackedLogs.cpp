// The copies of compressed logs that viewers show, shared while they are shown.
#include "viewer/UnpackedLogs.h"

#include "engine/run/LogUnpack.h"
#include "win32/PathRules.h"
#include "win32/ProgressWindow.h"

#include <map>

namespace {

const wchar_t kCaption[] = L"Decompressing";
const wchar_t kDiskLowText[] =
    L"The disk of the temporary folder is nearly full: decompressing has stopped, and the viewer "
    L"shows the lines written so far.\r\nFolder: ";
const wchar_t kDamagedText[] = L"The compressed log ends early, ";
const wchar_t kFailedText[] = L"Unable to decompress the log:\r\n";
const wchar_t kNoCopyText[] = L"Unable to create a temporary file in ";

std::wstring& FolderSetting()
{
    static std::wstring folder;
    return folder;
}

// The copies shown now, by the log they were made of; used on the user-interface thread only.
std::map<std::wstring, std::weak_ptr<CUnpackedLog>>& Shown()
{
    static std::map<std::wstring, std::weak_ptr<CUnpackedLog>> shown;
    return shown;
}

FILETIME WrittenAt(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// "app.log.2.gz" gives "app.log.2", and "logs/b.log" of an archive "b.log":
// the copy is named as the log it holds.
std::wstring CopyName(const std::wstring& packed)
{
    std::wstring name = packed.substr(packed.find_last_of(L"\\/") + 1);
    if (name.size() > 3 && _wcsicmp(name.c_str() + name.size() - 3, L".gz") == 0)
        name.resize(name.size() - 3);
    return name;
}

}  // namespace

void SetUnpackFolder(const std::wstring& folder)
{
    FolderSetting() = folder;
}

std::wstring UnpackFolder()
{
    return FolderSetting().empty() ? TempFolder() : FolderSetting();
}

std::shared_ptr<CUnpackedLog> UnpackForViewing(HWND owner, const std::wstring& packed,
                                               const std::wstring& member)
{
    const std::wstring original = member.empty() ? packed : packed + L":" + member;
    // A member's name keeps its case: two members may differ in it alone.
    const std::wstring key = member.empty() ? PathKey(packed) : PathKey(packed) + L":" + member;
    if (auto shown = Shown()[key].lock()) {
        const FILETIME written = WrittenAt(packed);
        if (shown->m_whole && CompareFileTime(&written, &shown->m_written) == 0)
            return shown;
    }
    auto copy = std::make_shared<CUnpackedLog>();
    copy->m_original = original;
    copy->m_written = WrittenAt(packed);
    const std::wstring folder = UnpackFolder();
    DWORD error = 0;
    if (!copy->m_copy.Create(folder, CopyName(member.empty() ? packed : member), error)) {
        MessageBoxW(owner, (kNoCopyText + folder).c_str(), L"Error", MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    CUnpackOutcome outcome;
    const bool ran = RunWithProgress(
        owner, kCaption, original, [&](CProgressReport& report) {
            CUnpackWatch watch{[&report] { return report.Cancelled(); },
                               [&report](int percent) { report.Progress(percent); }};
            outcome = UnpackLog(packed, member, copy->m_copy.Handle(), folder, watch);
        });
    if (!ran || outcome.end == UnpackEnd::Failed) {
        MessageBoxW(owner, (kFailedText + original).c_str(), L"Error", MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    if (outcome.end == UnpackEnd::Stopped)
        return nullptr;
    if (outcome.end == UnpackEnd::DiskLow)
        MessageBoxW(owner, (kDiskLowText + folder).c_str(), L"Warning", MB_OK | MB_ICONWARNING);
    else if (!outcome.damage.empty())
        MessageBoxW(owner, (kDamagedText + outcome.damage + L":\r\n" + original).c_str(),
                    L"Warning", MB_OK | MB_ICONWARNING);
    copy->m_whole = outcome.end == UnpackEnd::Completed && outcome.damage.empty();
    std::erase_if(Shown(), [](const auto& entry) { return entry.second.expired(); });
    Shown()[key] = copy;
    return copy;
}
