// Opening a record for the commands, in any format `kifu convert` reads.
#pragma once

#include <string>

class CKRSDoc;
class Clipboard;

// Opens the file's record in the document ("-": pastes standard input
// through the clipboard); an empty text on success, else the error.
std::string ReadRecordFileForCommand(const std::string& path, Clipboard& clipboard, CKRSDoc& doc);
