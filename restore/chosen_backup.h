// What kind of backup the user chose, and the check that it can yield a dump at all.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

// The chosen name is treated as a ZIP archive when ".zip" occurs anywhere in it.
bool namesZipArchive(std::string_view chosenName);
// A bare dump file: ".backup" occurs in the name and ".zip" does not (an archive whose path also holds
// ".backup" is still restored from the dump inside it).
bool namesDumpFile(std::string_view chosenName);

// Checks, before anything is changed, that the chosen file can yield a dump: an existing ZIP archive
// that reads and holds a file in its folder "backup", or an existing PostgreSQL custom-format dump.
// Throws an error with a Portuguese message that says so otherwise.
void checkChosenBackup(const std::string& chosenName);

}  // namespace tarvio
