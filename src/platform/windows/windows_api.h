#pragma once
// <windows.h> for the Windows implementations. The system header maps names such as
// DeleteFile and MessageBox to their "A" or "W" functions with macros; the platform
// interface has functions of those very names, so the macros go.

#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef FindWindow
#undef GetFileAttributes
#undef MessageBox
#undef SendMessage
#undef SetFileAttributes
#undef ShellExecute
