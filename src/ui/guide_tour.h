// The guide's pictures, taken by the program itself: connect to a load bank (the simulator),
// then show every window and dialog in turn and save a PNG of each into a folder.
#pragma once

#include <QString>

namespace dcload::ui {

class LoggerApp;

// Runs the tour inside the event loop; returns the number of pictures it could not take.
// Each wait is bounded, so a load bank that never answers ends the tour instead of hanging it.
int runGuideTour(LoggerApp& logger, const QString& folder);

} // namespace dcload::ui
