// The look of the logger's windows.
#pragma once

#include <QString>

namespace dcload::ui {
QString loggerStyleSheet();
}
