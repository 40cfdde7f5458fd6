// The view's link to the settings record and the colour map.
#include "viewer/ViewSettings.h"

#include "settings/ColorMap.h"
#include "settings/Settings.h"

ViewFontSettings CurrentViewFont()
{
    const Settings& settings = AppSettings();
    ViewFontSettings font;
    font.family = settings.ViewFontFamily;
    font.size = settings.ViewFontSize;
    font.weight = settings.ViewFontWeight;
    return font;
}

COLORREF ViewLineColor(const wchar_t* text)
{
    return GetLineColor(text);
}
