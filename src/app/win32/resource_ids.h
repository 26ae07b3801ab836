#pragma once
// The resources of update.exe (update.rc.in).

#define BRIMSEL_ICON_ID 1
#define BRIMSEL_PICTURE_ID 100
