#pragma once
// Image helpers of the owner-drawn menus: colours blended toward white or black, a command image
// copied onto the button face, its faded, shadow and greyed variants, and the disabled looks.
// Bitmaps are QImages (Format_RGB32); "background" is the pixel colour of the button face.

#include "controls/WinGdi.h"

#include <QImage>

class CImageList;
class QPainter;

// Each channel ch + (255 - ch) x f, resp. ch - ch x f, truncated; unchanged unless 0 < f <= 1.
COLORREF BlendTowardWhite(COLORREF colour, double f);
COLORREF BlendTowardBlack(COLORREF colour, double f);

// Menu images are 16 by 15 pixels.
inline constexpr int kMenuImageWidth = 16;
inline constexpr int kMenuImageHeight = 15;

// Image `index` of the list drawn onto a 16 x 15 bitmap filled with COLOR_BTNFACE; null when the
// list has no such image.
QImage ImageToBitmap(const CImageList& list, int index);

// Every pixel other than the button face becomes BlendTowardWhite(pixel, 0.3).
void MakeFadedBitmap(QImage& bitmap);
// Every pixel other than the button face becomes COLOR_BTNSHADOW (blended toward white by 0.49 on a
// desktop that is not themed).
void MakeShadowBitmap(QImage& bitmap, bool themed);
// Every pixel other than the button face becomes BlendTowardWhite(COLOR_BTNSHADOW, (r + g + b) / 3 /
// 255); button-face pixels become `background` unless it is 0.
void MakeGreyedBitmap(QImage& bitmap, COLORREF background);
// Pixels of RGB(192,192,192) become COLOR_BTNFACE.
void ReplaceGreyBackground(QImage& bitmap);

// The embossed disabled look at (x, y): the image's pixels (all but the button face and button
// highlight) in COLOR_BTNSHADOW, with COLOR_BTNHIGHLIGHT one pixel down and right of them, on
// `background`.
void DrawEmbossed(QPainter& painter, int x, int y, int width, int height, const QImage& bitmap, COLORREF background);
// MakeGreyedBitmap of a copy, drawn at (x, y).
void DrawGreyedImage(QPainter& painter, int x, int y, int width, int height, const QImage& bitmap, COLORREF background);
