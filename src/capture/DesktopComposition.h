// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureResult.h"
#include "capture/DisplayShot.h"

#include <vector>

namespace corvane::DesktopComposition {

// Every monitor on one picture at the highest pixel ratio among them: the layout in logical
// coordinates times that ratio. The monitors of that ratio keep their own device pixels; the others
// are enlarged (pixel for pixel by whole ratios, smoothly otherwise). Where no monitor lies the picture
// is transparent. An empty list gives a null picture.
CaptureResult compose(const std::vector<DisplayShot>& shots);

} // namespace corvane::DesktopComposition
