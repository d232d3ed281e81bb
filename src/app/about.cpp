#include "app/form1.h"

namespace dcload {

void Form1::mnuAboutClick() { platform_.dialogs.showAbout(); }

void Form1::frmAboutLoad() {
    about.caption = std::string("About ") + kAppTitle;
    about.lblVersion = "Version " + std::to_string(DCLOAD_VERSION_MAJOR) + "." +
                       std::to_string(DCLOAD_VERSION_MINOR) + "." + std::to_string(DCLOAD_VERSION_PATCH);
    about.lblTitle = kAppTitle;
    about.lblDisclaimer = kLegalNotice;
    about.lblDescription = kAppDescription;
}

} // namespace dcload
