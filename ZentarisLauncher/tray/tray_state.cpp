#include "tray_state.h"

HICON menuIcons[MenuIconCount];
