#pragma once
// Facts about the running program that only the platform knows.

namespace ZARVO::RUNTIME {

// The folder holding the running executable, without a trailing separator
// ("" when the platform cannot tell). A game finds the data it ships beside
// itself this way, whatever the working folder.
const char* EXECUTABLEFOLDER();

}  // namespace ZARVO::RUNTIME
