#pragma once
// The API's bearer token: made once into a file only its owner reads, read
// back at every start, compared in constant time and never logged.
#include <string>
#include <string_view>

namespace tavirel::service {

/// $XDG_CONFIG_HOME/tavirel/token, or ~/.config/tavirel/token when
/// XDG_CONFIG_HOME is unset or empty. Throws TokenError when neither it nor
/// HOME is set.
std::string DefaultTokenPath();

/// The token in `path`. A missing file is made (its folder too, mode 0700)
/// with 32 random bytes as 64 hexadecimal digits, mode 0600, written
/// durably and never through a symbolic link. An existing file must be a
/// regular file that others cannot read or write, holding at least 16
/// characters. Throws TokenError naming the file and the problem.
std::string LoadOrCreateToken(const std::string& path);

/// True when `given` equals `expected`, taking the same time whatever the
/// position of the first difference (it depends on `expected`'s length only).
bool TokenMatches(std::string_view expected, std::string_view given);

}  // namespace tavirel::service
