#pragma once

#include "qt/TwipsScale.h"

class QApplication;

namespace tarn::gui {

// The look every run shares, whatever the desktop: the Fusion style (its metrics are what the
// captions were fitted to), the window colour of the design, the substitute default font and
// the window icon.
void SetUpApplication(QApplication& app, const TwipsScale& scale);

} // namespace tarn::gui
