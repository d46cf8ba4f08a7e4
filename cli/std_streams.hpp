#pragma once
// The program's standard streams, made ready before anything else opens.
namespace tavirel::cli {

/// On POSIX systems a standard descriptor the program was started without is
/// taken by /dev/null, read-only: otherwise the serial device opened next
/// would get its number, and answers meant for standard output would go to
/// the register (read-only, a write to it still fails and is reported). On
/// Windows the console is switched to UTF-8, the text the program writes.
void PrepareStandardStreams();

/// True when standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

/// The descriptor of standard input.
int StandardInputFd();

}  // namespace tavirel::cli
