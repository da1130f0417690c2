// The bridge to the UI library that draws the program's windows and controls.
#pragma once

namespace corvalis {

// Start-up step 3: finds and loads the UI library (searched from the executable's
// directory, which is the current directory by then) and binds its functions.
// True when the library is loaded and bound.
bool initializeUiBridge();

}  // namespace corvalis
