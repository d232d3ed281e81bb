#include "ui/style.h"

namespace dcload::ui {

QString loggerStyleSheet()
{
    // A calm light instrument look: white cards on a grey-blue ground, large reading digits.
    return QStringLiteral(R"(
QMainWindow#Form1, QWidget#centralArea { background: #eef1f5; }
QWidget { font-size: 13px; color: #1b2430; }

QFrame[card="true"], QGroupBox[card="true"] {
    background: #ffffff; border: 1px solid #d5dbe3; border-radius: 8px;
}
QGroupBox[card="true"] { margin-top: 14px; padding-top: 6px; font-weight: 600; }
QGroupBox#frmSetIP { padding-top: 0px; }
QGroupBox#frameG[untitled="true"] { margin-top: 0px; padding-top: 0px; }
QGroupBox[card="true"]::title {
    subcontrol-origin: margin; subcontrol-position: top left; left: 12px; padding: 0 4px;
    color: #5b6675;
}

QGroupBox[tile="true"] {
    background: #ffffff; border: 1px solid #d5dbe3; border-radius: 10px;
    margin-top: 0px; padding-top: 22px;
    font-size: 12px; font-weight: 700; color: #5b6675;
}
QGroupBox[tile="true"]::title {
    subcontrol-origin: padding; subcontrol-position: top left; left: 14px; top: 5px;
}
QLabel[reading="true"] { border-radius: 6px; padding: 2px 6px; }

QPushButton {
    background: #ffffff; border: 1px solid #c3cad4; border-radius: 6px;
    padding: 6px 16px; color: #1b2430;
}
QPushButton:hover { background: #f3f6fa; }
QPushButton:pressed { background: #e2e8f0; }
QPushButton:focus { border: 1px solid #2f6fdf; }
QPushButton:disabled { color: #9aa3ae; }
QPushButton#cmdConnect {
    background: #1f7a4d; border-color: #19663f; color: #ffffff; font-weight: 700;
}
QPushButton#cmdConnect:hover { background: #23895a; }
QPushButton#cmdConnect:pressed { background: #19663f; }
QPushButton#cmdConnect:focus { border: 2px solid #0f3f27; }
QPushButton#cmdDisconnect { color: #a12a2a; font-weight: 700; }

QFrame#FrameData {
    background: #fff4ce; border: 1px solid #e3b93a; border-radius: 6px;
}
QFrame#FrameData QLabel { color: #7a5600; font-weight: 700; }
QLabel#lblPauseMessage { font-size: 18px; font-weight: 800; color: #b3261e; }
QLabel[role="caption"] { font-size: 11px; color: #5b6675; }
QLabel[role="dialogHeadline"] { font-size: 16px; font-weight: 700; }
QLabel[role="fineprint"] { font-size: 11px; color: #5b6675; }

QProgressBar {
    border: 1px solid #c3cad4; border-radius: 4px; background: #f1f4f8;
}
QProgressBar::chunk { background: #2f6fdf; border-radius: 3px; }

QTabBar::tab {
    background: #eef1f5; border: 1px solid #d5dbe3; border-bottom: none;
    padding: 6px 16px; margin-right: 3px; min-width: 110px;
    border-top-left-radius: 6px; border-top-right-radius: 6px; color: #3b4654;
}
QTabBar::tab:selected {
    background: #ffffff; color: #16202c; font-weight: 700; border-top: 3px solid #2f6fdf;
}
QTabBar::tab:hover:!selected { background: #e4e9f0; }

QLineEdit, QComboBox {
    background: #ffffff; border: 1px solid #c3cad4; border-radius: 5px; padding: 4px 6px;
}
QLineEdit:focus, QComboBox:focus { border: 1px solid #2f6fdf; }
QListWidget { background: #ffffff; border: 1px solid #c3cad4; border-radius: 5px; }
QListWidget::item { padding: 3px 6px; }
QListWidget::item:selected { background: #dbe7fb; color: #16202c; }

QStatusBar { background: #e3e8ee; border-top: 1px solid #d0d7e0; }
QStatusBar QLabel { padding: 2px 8px; color: #27313d; }
QMenuBar { background: #f7f9fb; border-bottom: 1px solid #d5dbe3; }
QMenuBar::item:selected { background: #e2e8f0; }
QMenu { background: #ffffff; border: 1px solid #c3cad4; }
QMenu::item { padding: 5px 24px; }
QMenu::item:selected { background: #dbe7fb; }
QMenu::separator { height: 1px; background: #d5dbe3; margin: 4px 8px; }
QDialog { background: #f4f6f9; }
)");
}

} // namespace dcload::ui
