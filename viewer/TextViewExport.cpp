// CTextView: Save (a plain copy or the HTML page), HTML export and Copy Screen.
#include "viewer/TextView.h"

#include "engine/io/FileWriter.h"
#include "engine/io/LogLook.h"
#include "win32/StringException.h"
#include "settings/Settings.h"
#include "viewer/HtmlPage.h"
#include "viewer/ScreenText.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewSettings.h"
#include "win32/GdiScope.h"

#include <commdlg.h>

#include <cstring>

namespace {

constexpr DWORD kNameBuffer = 4096;   // characters, the terminating zero included
const wchar_t kFilter[] = L"HTML File (*.html)\0*.html\0"
                          L"Text File (*.txt)\0*.txt\0"
                          L"Any File (*.*)\0*.*\0";
const wchar_t kSaveCaption[] = L"Save";
const wchar_t kSavedText[] = L"File was saved successfully.";
const wchar_t kSaveFailedText[] = L"Save failed!";
const wchar_t kExportCaption[] = L"HTML Export";
const wchar_t kExportUnknownText[] = L"Unknown error!";
const wchar_t kCopyFailedText[] = L"Unable to complete operation!";
const wchar_t kErrorCaption[] = L"Error";

std::wstring FileNamePart(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The kind of save is the extension alone: the text after the file name's
// last dot, "html" in any letter case.
bool IsHtmlName(const std::wstring& path)
{
    const std::wstring name = FileNamePart(path);
    const size_t dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && lstrcmpiW(name.c_str() + dot + 1, L"html") == 0;
}

// A file that exists whatever another program's sharing allows: its
// attributes can be read even while it is held open without sharing.
bool FileExists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

void CTextView::SaveFile()
{
    if (!m_reader)
        return;
    wchar_t title[kNameBuffer] = {};
    GetWindowTextW(m_window, title, kNameBuffer);
    std::wstring suggested = std::wstring(title) + L".html";
    // A path too long for the dialog's buffer: the file name alone, cut to fit.
    if (suggested.size() >= kNameBuffer)
        suggested = FileNamePart(title).substr(0, kNameBuffer - 6) + L".html";
    wchar_t name[kNameBuffer] = {};
    wcsncpy(name, suggested.c_str(), kNameBuffer - 1);

    const std::wstring folder = AppSettings().LastFolder;
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_window;
    dialog.hInstance = m_instance;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = kNameBuffer;
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrDefExt = L"html";
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
    if (!GetSaveFileNameW(&dialog))
        return;
    SaveAs(name);
}

void CTextView::SaveAs(const wchar_t* path)
{
    if (!m_reader || !path || !*path)
        return;
    if (FileExists(path)) {
        const std::wstring question =
            L"File " + FileNamePart(path) + L" already exists. Overwrite?";
        if (MessageBoxW(m_window, question.c_str(), kSaveCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    bool saved = false;
    // The view's own file is shared for writing (a followed result grows under
    // it), so only this check keeps a save from writing over what it reads.
    const CLogLook target = CLogLook::Of(path);
    const bool ownFile = target.readable && target.identity == CLogLook::Of(m_path.c_str()).identity;
    if (!ownFile) {
        CWaitCursor wait;
        if (IsHtmlName(path))
            saved = ExportHtml(path);
        else
            saved = CopyFileW(m_path.c_str(), path, FALSE) == TRUE;
    }
    if (saved)
        MessageBoxW(m_window, kSavedText, kSaveCaption, MB_ICONINFORMATION);
    else
        MessageBoxW(m_window, kSaveFailedText, kSaveCaption, MB_ICONWARNING);
}

bool CTextView::ExportHtml(const wchar_t* path)
{
    if (!m_reader || !path || !*path)
        return false;
    // The page is read through the view's own reader; its block stays as it
    // is, and the file position goes back to where it was afterwards.
    int64_t position = 0;
    if (!m_reader->GetPosition(position))
        return false;
    if (!m_reader->Rewind())
        return false;
    bool written = false;
    try {
        CFileWriter writer(path);
        writer.SetLineDelimiters(L"\r\n");
        writer.SetLineBuffer(64 * 1024);
        written = WriteHtmlPage(*m_reader, writer, m_path, &ViewLineColor);
        written = writer.Flush() && written;
    } catch (...) {
        // The reader goes back to its place before the box shows, as after a page written whole.
        m_reader->Seek(position);
        MessageBoxW(m_window, ExceptionText(kExportUnknownText), kExportCaption, MB_ICONWARNING);
        return false;
    }
    m_reader->Seek(position);
    return written;
}

void CTextView::CopyScreen()
{
    if (!m_reader)
        return;
    CClipboardScope clipboard(m_window);
    if (!clipboard.IsOpen()) {
        MessageBoxW(m_window, kCopyFailedText, kErrorCaption, MB_ICONWARNING);
        return;
    }
    EmptyClipboard();
    const std::wstring text = ScreenText(*m_reader, m_pageLines);
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (!target) {
        if (memory)
            GlobalFree(memory);
        MessageBoxW(m_window, kCopyFailedText, kErrorCaption, MB_ICONWARNING);
        return;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    // Once handed over the memory belongs to the clipboard.
    if (!SetClipboardData(CF_UNICODETEXT, memory))
        GlobalFree(memory);
}
