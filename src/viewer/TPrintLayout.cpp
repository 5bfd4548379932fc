#include "TPrintLayout.h"

namespace viewer {

TPageOrientation PrintOrientation(int w, int h) {
    return w > h ? TPageOrientation::Landscape : TPageOrientation::Portrait;
}

TRect PrintRect(int w, int h, int pageW, int pageH) { return FitRect(w, h, pageW, pageH); }

}  // namespace viewer
