#pragma once
// The command line suites take the child process helper from the shared support.
#include "../support/child_process.hpp"
