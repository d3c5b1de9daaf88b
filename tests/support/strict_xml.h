#pragma once
// A strict, independent XML reader (expat) for tests: what a simulator or
// any other program would make of a file we wrote.
#include <string>

namespace testsupport {

// Empty when the bytes are a well-formed document, else the reader's reason
// and line. Windows-1252 files are read as such.
std::string strictXmlProblem(const std::string& bytes);

}  // namespace testsupport
