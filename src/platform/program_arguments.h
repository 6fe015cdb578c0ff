#pragma once

#include <string>
#include <vector>

namespace keydesk {

// A console program's arguments and output in UTF-8 (keydesk-client), on every platform.

// The arguments after the program's name, UTF-8: on Windows read from the wide command line,
// so that a guest's name typed in Chinese arrives whole whatever the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Lets the console show the UTF-8 that the program writes (Windows); nothing to do elsewhere.
void UseUtf8Console();

}  // namespace keydesk
