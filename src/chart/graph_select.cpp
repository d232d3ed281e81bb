#include "app/form1.h"

namespace dcload {

void Form1::tabStripClick(int tabIndex) {
    if (tabIndex < 1 || tabIndex > 3) return;
    ctl.tabStrip = tabIndex;
    messageLogLoaded = true;
    reloadHistory = false;
    ctl.StatusBar1 = "Please wait loading data ......";
    ctl.pointer = Pointer::Busy;
    std::int16_t rows = 24;
    CreateChart(static_cast<std::int16_t>(tabIndex - 1), 1, rows);
    std::int16_t page = 0;
    readLFile(page, false);
    ctl.StatusBar1 = "";
    ctl.pointer = Pointer::Default;
}

void Form1::comGraphChange() { ctl.frameGCaption = ""; }
void Form1::comGraphClick() { ctl.frameGCaption = ""; }

} // namespace dcload
