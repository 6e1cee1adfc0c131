// Folders of the Wine installation a program runs under, as Windows paths.
#pragma once

#include <string>

namespace wine {

// True when ntdll exports wine_get_version.
bool IsRunningUnderWine();

// The folder Wine loads its own fonts from (its data folder's "fonts", seen
// through the drive that maps the Unix root); empty on Windows or when Wine
// does not say where its data folder is.
std::wstring FontFolder();

}  // namespace wine
