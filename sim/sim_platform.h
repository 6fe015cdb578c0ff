// What the simulated encoder needs of its platform besides the card file, one implementation
// per platform (sim_platform_posix.cpp, sim_platform_windows.cpp). Paths are the file
// system's narrow text: UTF-8 on Linux, code page 936 on Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace keydesk::sim {

// The value of an environment variable of the loading process; none when it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

// The folder of a path: "." for a bare file name.
std::string FolderOf(std::string_view path);

// The path of name in folder.
std::string PathInFolder(std::string_view folder, std::string_view name);

// The folder this library was loaded from: the card lies beside it unless told otherwise.
std::string LibraryFolder();

// Appends bytes to the file at path with one write, so that the lines of concurrent callers,
// threads or processes, never mix; creates the file when missing. A file that cannot be
// written is ignored.
void AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace keydesk::sim
