#pragma once
// The program's own pictures, drawn by this code at first use: every bitmap by its resource id
// (controls/PictureIds.h), the notification icons, and the button lists of the toolbars.
//
// - 183: 480 x 24, 24 bits, toolbar 127's 20 images on magenta;
// - 132 and 129: 16 x 16 cells with a 16-colour palette (black, grey 128, white and the grey 192
//   background among them) for the menus: 132 holds toolbar 127's commands, 129 further ones;
// - 137, 154, 179: row images, 16 x 16 cells on green RGB(0,255,0);
// - 1997, 1998: the 9 x 5 sort arrows, black on white;
// - icons 145 and 146 (and the program icon 127, which is 145).

#include <QIcon>
#include <QImage>
#include <QSize>

#include <span>
#include <vector>

// The bitmap of a resource id; a null image for an id the program has no bitmap for.
QImage artworkBitmap(unsigned id);

// The icon of a resource id (several sizes); a null icon for an unknown id.
QIcon artworkIcon(unsigned id);

// The commands of a toolbar's buttons in order, 0 for a separator; empty for an unknown toolbar.
// A toolbar's bitmap has the toolbar's id, except toolbar 127, whose true-colour strip is 183.
std::span<const unsigned> toolbarButtons(unsigned toolbarId);
QSize toolbarButtonSize(unsigned toolbarId);

// Every bitmap id and every icon id, for tools and tests that walk them all.
std::vector<unsigned> artworkBitmapIds();
std::vector<unsigned> artworkIconIds();
