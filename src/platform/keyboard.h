// The keyboard over a designed window, as a dialog works: the tab order of the controls
// on screen, the access keys of the buttons on screen, and the keys a list passes on.
// Portable: the window asks which of its rows are on screen, and does the rest.
#pragma once

#include <functional>
#include <span>
#include <string_view>

#include "platform/design.h"

namespace ledra::platform {

// Whether the control of the row at that place is on screen and enabled.
using Shown = std::function<bool(int place)>;

// The access key of a caption: the letter or digit after a single '&', upper-cased;
// 0 when it has none ("&&" is a literal ampersand).
char accessKeyOf(std::string_view caption);

// The place of the button on screen whose access key is `key` (any case); -1 when none.
// Buttons on hidden pages never answer, so two pages may share a key.
int accessKeyTarget(std::span<const ControlRow> rows, char32_t key, const Shown& shown);

// Lists, buttons and tab strips take the focus, in design order: a page's list, its
// buttons, then the tab strip beneath the pages.
bool takesFocus(const ControlRow& row);

// The next (or, backwards, the previous) control on screen that takes the focus after
// the one at `from`, wrapping round; from -1 the first (or last). -1 when none is on screen.
int nextTabStop(std::span<const ControlRow> rows, int from, bool backwards, const Shown& shown);

// 1-based position of the tab that Ctrl+Tab (forward) or Ctrl+Shift+Tab goes to, wrapping.
int nextTab(int position, int count, bool backwards);

}  // namespace ledra::platform
