#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// Paths are narrow text in the file system's own encoding: UTF-8 on Linux, code page 936 on
// Windows (what the ANSI file functions take there; the Windows layer hands them to the wide
// functions converted, so that folders with Chinese names work).

// The full path of a file in a folder.
std::string PathInFolder(std::string_view folder, std::string_view name);

// The last part of the path: the file's name without its folder.
std::string FileNameInPath(std::string_view path);

// The path as UTF-8, for SQLite, which takes file names in UTF-8 everywhere.
std::string Utf8FromPath(std::string_view path);

// The path as code page 936 text, for messages.
std::string AnsiFromPath(std::string_view path);

}  // namespace keydesk
