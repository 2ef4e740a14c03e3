// Systems other than Windows make no Windows calls.
#include "platform/windows_api.h"

WindowsApi* DefaultWindowsApi() { return nullptr; }
