#include "platform/screen_fit.h"

#include <algorithm>

namespace tv {

Rect placeOnScreen(Rect window, const Rect& area) {
  int outerWidth = window.width + 2 * kFrameBorderTwips;
  int outerHeight = window.height + kTitleBarTwips + kFrameBorderTwips;
  const bool tooHigh = outerHeight > area.height;
  if (outerWidth > area.width) outerHeight += kScrollBarTwips;
  if (tooHigh) outerWidth += kScrollBarTwips;
  // The far edges first: a window that does not fit ends at the near ones.
  window.left = std::max(area.left, std::min(window.left, area.left + area.width - outerWidth));
  window.top = std::max(area.top, std::min(window.top, area.top + area.height - outerHeight));
  return window;
}

Rect shownContentSize(int width, int height, const Rect& area, int frameWidth, int frameHeight,
                      int scrollBar) {
  const int widest = std::max(1, area.width - frameWidth);
  const int highest = std::max(1, area.height - frameHeight);
  int shownWidth = std::min(width, widest);
  int shownHeight = std::min(height, highest);
  // A bar for one direction takes room from the other: without it, that one would need a
  // bar as well.
  if (shownHeight < height) shownWidth = std::min(width + scrollBar, widest);
  if (shownWidth < width) shownHeight = std::min(height + scrollBar, highest);
  return {0, 0, shownWidth, shownHeight};
}

}  // namespace tv
