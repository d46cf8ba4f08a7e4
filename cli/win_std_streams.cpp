#include <io.h>
#include <windows.h>

#include <cstdio>

#include "std_streams.hpp"

namespace tavirel::cli {

void PrepareStandardStreams() { ::SetConsoleOutputCP(CP_UTF8); }

bool StandardErrorIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

int StandardInputFd() { return ::_fileno(stdin); }

}  // namespace tavirel::cli
