#pragma once
// The rule for a document's key, in one place. A key names one document for
// ever: the same key never prints twice.
//
// Free functions: safe from any thread.
#include <string_view>
#include <vector>

#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {

enum class KeyUse {
  /// Any host with a journal: 1 to 200 bytes of UTF-8 text without control
  /// characters, and not "." or "..".
  Journal,
  /// The service, where keys travel in URLs as they are: also at most 128
  /// characters, each a letter, a digit or one of - _ . : ~ @ + =.
  Url,
};

/// What is wrong with `key` for `use`, each problem naming "key"; empty when
/// it may be used.
std::vector<Problem> KeyProblems(std::string_view key, KeyUse use);

}  // namespace tavirel::documents
