#pragma once
#include "../support/temp_dir.hpp"

namespace tavirel::service::testing {
using TempDir = tavirel::testing::TempDir;
}  // namespace tavirel::service::testing
