# Fails when the README's library snippet (the first C++ block under
# "## Using the library") is not the example file, less its opening comment.
#   cmake -DREADME=... -DEXAMPLE=... -P check_readme_snippet.cmake
file(READ ${README} readme)
string(FIND "${readme}" "## Using the library" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README.md has no \"## Using the library\" section")
endif()
string(SUBSTRING "${readme}" ${at} -1 readme)
string(FIND "${readme}" "```cpp\n" open)
if(open EQUAL -1)
  message(FATAL_ERROR "README.md has no C++ block under \"## Using the library\"")
endif()
math(EXPR open "${open} + 7")
string(SUBSTRING "${readme}" ${open} -1 readme)
string(FIND "${readme}" "```" close)
string(SUBSTRING "${readme}" 0 ${close} snippet)

file(READ ${EXAMPLE} example)
string(REGEX REPLACE "^(//[^\n]*\n)+" "" example "${example}")
if(NOT snippet STREQUAL example)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/readme_snippet.cpp "${snippet}")
  message(FATAL_ERROR "README.md's snippet differs from ${EXAMPLE}; the README's is in "
                      "${CMAKE_CURRENT_BINARY_DIR}/readme_snippet.cpp (diff the two)")
endif()
