// Reading a record file for the commands, in any format `kifu convert` reads.
#pragma once

#include <string>

class Kifu;

// Reads the file's record into kifu; an empty text on success, else the error.
std::string ReadRecordFileForCommand(const std::string& path, Kifu& kifu);
