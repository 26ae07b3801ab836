#pragma once
// <windows.h> for the Windows implementations and the Windows wizard. The system header
// maps names such as DeleteFile and MessageBox to their "A" or "W" functions, and defines
// MB_OK, IDYES, SW_HIDE, WM_CLOSE and the like, as macros; the platform interface has
// functions and constants of those very names (with the same values). The macros go, and
// the platform's constants are always there instead, whatever the order of the includes.

#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef FindWindow
#undef GetFileAttributes
#undef MessageBox
#undef SendMessage
#undef SetFileAttributes

#undef IDNO
#undef IDOK
#undef IDYES
#undef MB_ICONERROR
#undef MB_ICONINFORMATION
#undef MB_ICONQUESTION
#undef MB_OK
#undef MB_YESNO
#undef SW_HIDE
#undef WM_CLOSE

#include "platform/message_box.h"
#include "platform/shell_execute.h"
#include "platform/window_finder.h"
