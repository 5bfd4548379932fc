#pragma once
// Where a photo goes on the printed page: landscape for a photo wider than high, portrait
// otherwise; on the page the photo is as large as the printable area allows with its
// proportions kept, centred.

#include "ViewMath.h"

namespace viewer {

enum class TPageOrientation { Portrait, Landscape };

// Landscape exactly when w > h.
TPageOrientation PrintOrientation(int w, int h);

// The photo w x h in the printable area pageW x pageH (printer pixels, measured after the
// orientation is set): fitted and centred as the photo pane fits a picture. Empty for an empty
// photo or page.
TRect PrintRect(int w, int h, int pageW, int pageH);

}  // namespace viewer
