#pragma once

#include <QObject>

namespace tarn {
class frmMain;
}

namespace tarn::gui {

class ShutdownSignals;

// Ends the form in order, as Exit does (listed files get their chosen names back), when the
// program is ended from outside: SIGTERM, SIGINT or SIGHUP, the end of the desktop session,
// or the event loop quitting while the form is still loaded. `context` bounds the connections.
void EndInOrderOnRequest(frmMain& form, ShutdownSignals& requests, QObject* context);

} // namespace tarn::gui
