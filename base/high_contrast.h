// Whether the user has a high-contrast theme on: then the program and its control
// library draw with the system's colours instead of their own.
#pragma once

namespace corvalis {

// SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON, read now.
bool highContrastOn();

}  // namespace corvalis
