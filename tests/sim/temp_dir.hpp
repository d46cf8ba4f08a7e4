#pragma once
#include "../support/temp_dir.hpp"

namespace tavirel::sim::test {
using TempDir = tavirel::testing::TempDir;
}  // namespace tavirel::sim::test
