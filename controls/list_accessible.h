// What a screen reader is told of a list: the list, one list item per row, and the row's
// button elements as push buttons inside it.
#pragma once

#include <windows.h>

namespace corvalis::exui {

class Listbox;

// The answer to WM_GETOBJECT for OBJID_CLIENT (flags: its wParam); 0 when there is none to
// give, and the system's plain object stands in.
LRESULT accessibleObjectResult(Listbox& list, WPARAM flags);

}  // namespace corvalis::exui
