// Paths the build knows as host paths (helper programs built beside the
// tests), as wine sees them: under the drive Z:.
#pragma once

#include <string>

std::wstring HostPathUnderWine(const char* hostPath);
