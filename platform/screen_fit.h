#pragma once

#include "platform/controls.h"

namespace tv {

// What a desktop's frame adds to a window, as far as a program must reckon with before
// the window has been shown in it: a title bar above the content and a border around it,
// in twips (30 and 6 pixels).
inline constexpr int kTitleBarTwips = 450;
inline constexpr int kFrameBorderTwips = 90;
// What a scroll bar takes beside a window's content that does not fit (20 pixels).
inline constexpr int kScrollBarTwips = 300;

// Where a window goes on a screen whose free part (without panels) is `area`. `window`
// is the window's frame position and its content's size, as a form holds them. It is
// moved no further than it must to lie within `area` frame and all; a window larger than
// `area` is put at its top left corner, so that its title bar is on the screen, and shows
// what fits of its content, with a scroll bar beside it (see shownContentSize).
Rect placeOnScreen(Rect window, const Rect& area);

// The size of a window for content of `width` × `height` on `area`, with `frameWidth` and
// `frameHeight` for its frame: the content's size where it fits; otherwise what fits, the
// rest scrolled, with room for the scroll bar (`scrollBar` wide) where there is room.
Rect shownContentSize(int width, int height, const Rect& area, int frameWidth, int frameHeight,
                      int scrollBar);

}  // namespace tv
