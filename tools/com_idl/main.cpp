// tavirel-com-idl IDL-FILE VTABLE-FILE [PAGE]: writes the COM interface
// definition and the dual interface's vtable methods, and refreshes the
// table of members in PAGE (docs/com.md).
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
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
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: tavirel-com-idl IDL-FILE VTABLE-FILE [PAGE]\n";
    return 2;
  }
  try {
    bool ok = Write(argv[1], tavirel::comidl::InterfaceDefinition()) &&
              Write(argv[2], tavirel::comidl::VtableMethods());
    if (ok && argc == 4) {
      std::ifstream in(argv[3], std::ios::binary);
      std::stringstream page;
      page << in.rdbuf();
      ok = Write(argv[3], tavirel::comidl::WithMemberTable(page.str()));
    }
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "tavirel-com-idl: " << e.what() << "\n";
    return 1;
  }
}
