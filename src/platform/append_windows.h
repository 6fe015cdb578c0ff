#pragma once

#include <windows.h>

#include <string_view>

namespace keydesk {

// Appends bytes to a file opened for appending (FILE_APPEND_DATA), as one piece whoever else
// appends to it. Windows itself keeps the writes of appending handles whole; Wine does not,
// and would lose lines of concurrent writers, so the appenders of all processes also take
// turns on a lock of one byte far beyond any file's end, where no reader reads. False when
// not every byte could be written.
bool AppendWhole(HANDLE file, std::string_view bytes);

}  // namespace keydesk
