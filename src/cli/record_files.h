// Opening a record for the commands, in any format `kifu convert` reads.
#pragma once

#include <string>

#include "records/read_report.h"

class CKRSDoc;
class Clipboard;

// Opens the file's record in the document ("-": pastes standard input
// through the clipboard); an empty text on success (the report then tells
// whether the read stopped early), else the error.
std::string ReadRecordFileForCommand(const std::string& path, Clipboard& clipboard, CKRSDoc& doc, ReadReport& report);
