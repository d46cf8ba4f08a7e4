// tavirel-operations-doc [FILE]: writes the operations reference to FILE,
// or to standard output.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>

#include "operations_reference.hpp"

int main(int argc, char** argv) {
  try {
    const std::string page = tavirel::opdoc::OperationsReference();
    if (argc < 2) {
      std::cout << page;
      return std::cout.flush() ? 0 : 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << page;
    out.close();
    if (!out) {
      std::cerr << "tavirel-operations-doc: cannot write " << argv[1] << "\n";
      return 1;
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "tavirel-operations-doc: " << e.what() << "\n";
    return 1;
  }
}
