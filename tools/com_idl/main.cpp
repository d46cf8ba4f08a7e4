// tavirel-com-idl IDL-FILE VTABLE-FILE: writes the COM interface definition
// and the dual interface's vtable methods.
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

#include "com_idl.hpp"

namespace {

bool Write(const char* path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::cerr << "tavirel-com-idl: cannot write " << path << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: tavirel-com-idl IDL-FILE VTABLE-FILE\n";
    return 2;
  }
  try {
    const bool ok = Write(argv[1], tavirel::comidl::InterfaceDefinition()) &&
                    Write(argv[2], tavirel::comidl::VtableMethods());
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "tavirel-com-idl: " << e.what() << "\n";
    return 1;
  }
}
