// The Go to Line dialog: asks for a line number from 1 on.
#pragma once

#include "win32/Dialog.h"

#include <cstdint>

class CGoToLineDialog : public CDialog {
public:
    // Also the caption of the view's answer when the file has no such line.
    static constexpr const wchar_t* kCaption = L"Go to Line";

    CGoToLineDialog() = default;

    // IDOK with the number in Number(), or IDCANCEL.
    INT_PTR Show(HINSTANCE instance, HWND owner);
    int64_t Number() const { return m_number; }

private:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    void OnOk();

    int64_t m_number = 0;
};
