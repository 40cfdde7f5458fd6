// The view's link to the settings record and the colour map.
#include "viewer/ViewSettings.h"

#include "settings/ColorMap.h"
#include "settings/Settings.h"

ViewFontSettings CurrentViewFont()
{
    const Settings& settings = AppSettings();
    const int size =
        settings.ViewFontSize > 0 ? settings.ViewFontSize : DefaultSettings().ViewFontSize;
    return {settings.ViewFontFamily, size, settings.ViewFontWeight};
}

COLORREF ViewLineColor(const wchar_t* text)
{
    return GetLineColor(text);
}
