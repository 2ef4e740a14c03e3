// AfxMessageBox: a modal box over the program's main window, captioned with
// the executable's file name without its extension.
#pragma once

#include "platform/wintypes.h"

// Adds the exclamation icon when the type asks for no icon. helpId is unused.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The window that owns message boxes (the main window once there is one).
void AfxSetMessageBoxOwner(HWND owner);
