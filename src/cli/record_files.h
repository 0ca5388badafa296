// Reading a record file for the commands, in any format `kifu convert` reads.
#pragma once

#include <string>

#include "records/read_report.h"

class Kifu;

// Reads the file's record into kifu; an empty text on success (the report
// then tells whether the read stopped early), else the error.
std::string ReadRecordFileForCommand(const std::string& path, Kifu& kifu, ReadReport& report);
