// The main window Form1: buttons, the five reading tiles, indicators, the graph tabs with the
// chart, the status bar and the menus. It holds no state of its own: clicks go to the core and
// mirror() shows the core's control state.
#pragma once

#include <vector>

#include <QMainWindow>

#include "app/controls.h"

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QTabBar;

namespace dcload {
class Form1;
}

namespace dcload::ui {

class LoggerApp;
class ChartView;
class LinkBanner;
class RunField;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(LoggerApp& app);

    void mirror(const Form1& form);
    ChartView* chart() const { return chart_; }
    // Puts the window where it was last closed (within today's screen); from then on it
    // remembers its place when closed.
    void restorePlacement(const QByteArray& saved);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QWidget* buildHeader();
    QWidget* buildAddressBar();
    QWidget* buildTiles();
    QWidget* buildMessageLine();
    QWidget* buildChartPanel();
    void describeChart(const Form1& form);
    void buildStatusBar();
    QLabel* addTile(QHBoxLayout* row, const char* frameName, const char* caption,
                    const char* labelName, QGroupBox** frame = nullptr);
    QAction* addMenuItem(QMenu* menu, const char* name, const char* text);
    void onTabChosen(int index);

    LoggerApp& app_;

    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdDisconnect_ = nullptr;
    QPushButton* cmdGet_ = nullptr;
    QGroupBox* frmSetIP_ = nullptr;
    QLineEdit* txtIP_ = nullptr;
    QFrame* frameData_ = nullptr;
    QLabel* lblPauseMessage_ = nullptr;
    QProgressBar* pBar_ = nullptr;
    QProgressBar* pB2_ = nullptr;

    QLabel* lblU0_ = nullptr;
    QLabel* lblA0_ = nullptr;
    QLabel* lblT_ = nullptr;
    QLabel* lblAh_ = nullptr;
    QLabel* lblA3_ = nullptr;
    QLabel* lblKW_ = nullptr;
    QLabel* lblFreq_ = nullptr;
    QLabel* lblSpeed_ = nullptr;

    QLabel* lblHCMPointer_ = nullptr;
    QLabel* lblTime_ = nullptr;
    QLabel* lblCount_ = nullptr;
    QLabel* lblPage_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QLabel* statusRecord_ = nullptr;
    QLabel* lblStoredRecord_ = nullptr;
    std::vector<QGroupBox*> tiles_;
    QLabel* checksumPanel_ = nullptr;

    QGroupBox* frameG_ = nullptr;
    QTabBar* tabStrip_ = nullptr;
    QGroupBox* frameGraphSelect_ = nullptr;
    QComboBox* comGraph_ = nullptr;
    ChartView* chart_ = nullptr;
    QScrollBar* hScroll_ = nullptr;

    LinkBanner* linkBanner_ = nullptr;
    RunField* runField_ = nullptr;
    QLabel* deskNotice_ = nullptr;

    bool mirroring_ = false;   // widget changes made by mirror() are not operator input
    bool busy_ = false;
    bool rememberPlacement_ = false;
};

// Where the window goes: `wanted` made to fit into the screen's free area below a title bar of
// `titleBar` pixels, moved inside it, centred when it lies outside or was never placed.
QRect fittedGeometry(const QRect& available, const QRect& wanted, int titleBar = 32);

// The key code the logger's key handler expects for a Qt key (letters and digits keep their
// ASCII codes; 0 for keys it has no code for).
int legacyKeyCode(int qtKey);

} // namespace dcload::ui
