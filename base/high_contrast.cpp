#include "base/high_contrast.h"

#include <windows.h>

namespace corvalis {

bool highContrastOn() {
  HIGHCONTRASTW settings{};
  settings.cbSize = sizeof settings;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) &&
         (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace corvalis
