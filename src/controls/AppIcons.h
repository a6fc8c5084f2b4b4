#pragma once
// The program's icons: the window and notification icon (a rising chart line on a blue tile) and
// its variant while downloads are aborted (on a red tile), drawn by controls/Artwork.

#include <QIcon>

// IDI_TRAY (145) or IDI_TRAY_ABORT (146); any other id gives the first.
QIcon programIcon(unsigned iconId);
