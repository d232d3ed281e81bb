// dc-load-logger --report FILE --out PDF [...]: the test report without a window, for batch
// use and scripts. Runs on the offscreen platform, so it needs no display.
#pragma once

#include <cstdio>

#include <QString>
#include <QStringList>

namespace dcload::ui {

bool isReportCommand(int argc, char** argv);

// Makes its own application object; returns the exit status (0, or 2 after one line on stderr).
int runReportCommand(int argc, char** argv, const QString& defaultResultsFolder);

// The command itself, for a running application: arguments as given (program name first).
int reportCommand(const QStringList& arguments, const QString& defaultResultsFolder, std::FILE* out, std::FILE* err);

} // namespace dcload::ui
