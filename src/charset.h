// Narrow string literals are Shift-JIS (code page 932) throughout the program:
// the sources are UTF-8 and the compiler converts them. Built without
// -fexec-charset=CP932 a kanji would take three bytes and every byte length,
// table and file written would be wrong, so the build stops here instead.
#pragma once

static_assert(sizeof("漢") == 3,
              "compile with -finput-charset=UTF-8 -fexec-charset=CP932: literals must be Shift-JIS");
