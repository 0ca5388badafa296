// Files for the tests: whole contents read and written, the files of a folder by extension,
// and temporary paths of this process.
#pragma once

#include <string>
#include <vector>

// The bytes of a file; empty when it can't be read.
std::string FileBytes(const std::string& path);
// Replaces the file's contents with the bytes; false when it can't.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Paths of the files in a folder whose names end with the extension
// (".kif"), sorted; empty when the folder can't be read.
std::vector<std::string> FilesWithExtension(const std::string& folder, const std::string& extension);
// A path in the temporary folder, named after this process so that suites
// running at the same time never share a file.
std::string ProcessTempPath(const std::string& name);
