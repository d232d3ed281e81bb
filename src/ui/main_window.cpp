#include "ui/main_window.h"

#include <algorithm>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QHBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/form1.h"
#include "ui/about_dialog.h"
#include "ui/chart_view.h"
#include "ui/link_banner.h"
#include "ui/logger_app.h"
#include "ui/reading_label.h"
#include "ui/report_dialog.h"
#include "ui/style.h"
#include "ui/widget_sync.h"

namespace dcload::ui {

int legacyKeyCode(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F16)
        return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

namespace {

QLabel* staticLabel(const char* name, const QString& text, QWidget* parent)
{
    return named(new QLabel(text, parent), name, text);
}

} // namespace

MainWindow::MainWindow(LoggerApp& app) : app_(app)
{
    setObjectName("Form1");
    setWindowTitle(kMainCaption);
    setAccessibleName(kMainCaption);
    setWindowIcon(QIcon(loggerIcon(64)));
    setStyleSheet(loggerStyleSheet());

    auto* central = new QWidget(this);
    central->setObjectName("centralArea");
    auto* layout = new QVBoxLayout(central);
    // Compact enough for a 1024x600 netbook and a 1920x1080 screen at 200 %: one row each for
    // the buttons, the address panel, the tiles and the messages; the chart takes what is left.
    layout->setContentsMargins(10, 6, 10, 4);
    layout->setSpacing(6);
    layout->addWidget(buildHeader());
    layout->addWidget(buildAddressBar());
    layout->addWidget(buildTiles());
    layout->addWidget(buildMessageLine());
    linkBanner_ = new LinkBanner(central);
    layout->addWidget(linkBanner_);
    layout->addWidget(buildChartPanel(), 1);
    setCentralWidget(central);

    buildMenus();
    buildStatusBar();
    setTabOrder(cmdConnect_, cmdDisconnect_);
    setTabOrder(cmdDisconnect_, cmdGet_);
    setTabOrder(cmdGet_, txtIP_);
    setTabOrder(txtIP_, findChild<QPushButton*>("cmdLocal"));
    setTabOrder(findChild<QPushButton*>("cmdLocal"), findChild<QPushButton*>("cmdRemote"));
    setTabOrder(findChild<QPushButton*>("cmdRemote"), findChild<QPushButton*>("cmdSetIP"));
    setTabOrder(findChild<QPushButton*>("cmdSetIP"), tabStrip_);
    setTabOrder(tabStrip_, hScroll_);
    cmdConnect_->setFocus();   // Ctrl+H works at once
    const QScreen* screen = QGuiApplication::primaryScreen();
    setGeometry(fittedGeometry(screen ? screen->availableGeometry() : QRect(0, 0, 1200, 820), QRect(0, 0, 1200, 780)));
}

QRect fittedGeometry(const QRect& available, const QRect& wanted, int titleBar)
{
    const QRect room = available.adjusted(0, titleBar, 0, 0);
    const QSize size = wanted.size().boundedTo(room.size());
    QRect r(wanted.topLeft(), size);
    if (!room.intersects(wanted) || wanted.topLeft() == QPoint(0, 0))
        r.moveCenter(room.center());   // a first start, or a screen that is gone: centred
    r.moveLeft(std::clamp(r.left(), room.left(), room.right() + 1 - size.width()));
    r.moveTop(std::clamp(r.top(), room.top(), room.bottom() + 1 - size.height()));
    return r;
}

void MainWindow::restorePlacement(const QByteArray& saved)
{
    rememberPlacement_ = true;
    if (saved.isEmpty() || !restoreGeometry(saved))
        return;
    const QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(fittedGeometry(screen->availableGeometry(), geometry()));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (rememberPlacement_)
        QSettings().setValue("window/geometry", saveGeometry());
    QMainWindow::closeEvent(event);
}

QWidget* MainWindow::buildHeader()
{
    auto* panel = new QFrame(this);
    panel->setObjectName("headerPanel");
    panel->setProperty("card", true);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(10, 5, 10, 5);
    row->setSpacing(8);

    cmdConnect_ = named(new QPushButton(withMnemonic("Connect", 'C'), panel), "cmdConnect", "Connect");
    cmdDisconnect_ = named(new QPushButton(withMnemonic("Disconnect", 'D'), panel), "cmdDisconnect", "Disconnect");
    cmdGet_ = named(new QPushButton(withMnemonic("Results Stored in Load Bank", 'R'), panel), "cmdGet",
                    "Results Stored in Load Bank");
    for (auto* b : {cmdConnect_, cmdDisconnect_, cmdGet_}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(28);
        row->addWidget(b);
    }
    cmdConnect_->installEventFilter(this);   // Ctrl+H reveals the address panel
    connect(cmdConnect_, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdConnectClick(); }); });
    connect(cmdDisconnect_, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdDisconnectClick(); }); });
    connect(cmdGet_, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdGetClick(); }); });

    lblHCMPointer_ = named(new QLabel(panel), "lblHCMPointer", "Stored record count");
    lblHCMPointer_->hide();
    row->addWidget(lblHCMPointer_);

    row->addStretch(1);

    auto* frame2 = named(new QFrame(panel), "Frame2", "Data Retrieved Indicator");
    auto* grid = new QGridLayout(frame2);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    pBar_ = named(new QProgressBar(frame2), "pBar", "Data Retrieved Indicator");
    pB2_ = named(new QProgressBar(frame2), "pB2", "Data Retrieved Indiscator");
    for (auto* bar : {pBar_, pB2_}) {
        bar->setRange(0, 10);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setFixedHeight(10);
        bar->setMinimumWidth(50);
        bar->setMaximumWidth(150);
    }
    auto* label3 = staticLabel("Label3", "Data Retrieved Indicator ", frame2);
    auto* label2 = staticLabel("Label2", "Data Retrieved Indiscator", frame2);
    auto* label6 = staticLabel("Label6", "Data Retrieved Indiscator", frame2);
    for (auto* l : {label3, label2, label6})
        l->setProperty("role", "caption");
    // Two rows, so that the button row stays low on a small screen.
    grid->addWidget(label3, 0, 0);
    grid->addWidget(pBar_, 0, 1);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(pB2_, 1, 1);
    grid->addWidget(label6, 0, 2, 2, 1, Qt::AlignVCenter);
    row->addWidget(frame2);
    return panel;
}

QWidget* MainWindow::buildAddressBar()
{
    frmSetIP_ = named(new QGroupBox("Set IP Address", this), "frmSetIP", "Set IP Address");
    frmSetIP_->setProperty("card", true);
    auto* row = new QHBoxLayout(frmSetIP_);
    row->setContentsMargins(10, 2, 10, 4);
    txtIP_ = named(new QLineEdit(frmSetIP_), "txtIP", "IP Address");
    txtIP_->setMinimumWidth(150);
    txtIP_->setMaximumWidth(260);
    auto* local = named(new QPushButton(withMnemonic("Local", 'L'), frmSetIP_), "cmdLocal", "Local");
    auto* remote = named(new QPushButton(withMnemonic("Remote", 'm'), frmSetIP_), "cmdRemote", "Remote");
    auto* setIP = named(new QPushButton(withMnemonic("Above", 'A'), frmSetIP_), "cmdSetIP", "Above");
    row->addWidget(txtIP_);
    for (auto* b : {local, remote, setIP}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    row->addStretch();
    // Enter in the box keeps the typed address, as Above does.
    connect(txtIP_, &QLineEdit::returnPressed, setIP, &QPushButton::click);
    connect(txtIP_, &QLineEdit::textEdited, this, [this](const QString& text) {
        app_.form().ctl.txtIP = text.toUtf8().toStdString();
    });
    connect(local, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdLocalClick(); }); });
    connect(remote, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdRemoteClick(); }); });
    connect(setIP, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdSetIPClick(); }); });
    frmSetIP_->hide();
    return frmSetIP_;
}

QLabel* MainWindow::addTile(QHBoxLayout* row, const char* frameName, const char* caption,
                            const char* labelName, QGroupBox** frame)
{
    auto* box = named(new QGroupBox(caption, this), frameName, caption);
    box->setProperty("tile", true);
    auto* inner = new QVBoxLayout(box);
    inner->setContentsMargins(8, 2, 8, 6);
    auto* value = named(new ReadingLabel(box), labelName, caption);
    value->setProperty("reading", true);
    value->setMinimumHeight(24);   // the digits shrink with the tile (ReadingLabel)
    inner->addWidget(value);
    row->addWidget(box, 1);
    tiles_.push_back(box);
    if (frame)
        *frame = box;
    return value;
}

QWidget* MainWindow::buildTiles()
{
    auto* panel = new QWidget(this);
    panel->setObjectName("readingsPanel");
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    lblU0_ = addTile(row, "frameV", "Volts", "lblU_0");
    lblA0_ = addTile(row, "frameA", "Current", "lblA_0");
    lblT_ = addTile(row, "FrameC", "Deg C", "lblT");
    lblAh_ = addTile(row, "FrameAh", "Ah", "lblAh");
    lblA3_ = addTile(row, "FrameT", "Test Time", "lblA_3");

    // Designed for three-phase loads; this logger never fills them.
    QGroupBox* hidden = nullptr;
    addTile(row, "frameV2", "Phase Volts", "lblU_1", &hidden);
    hidden->hide();
    lblKW_ = addTile(row, "frameKW", "KW", "lblKW", &hidden);
    hidden->hide();
    lblFreq_ = addTile(row, "frameFreq", "Freq.", "lblFreq", &hidden);
    hidden->hide();
    lblSpeed_ = addTile(row, "FrameSpeed", "Speed", "lblSpeed", &hidden);
    lblSpeed_->setText("0");
    hidden->hide();
    return panel;
}

QWidget* MainWindow::buildMessageLine()
{
    // Its own line, so that a long message never squeezes the graph tabs.
    auto* line = new QWidget(this);
    line->setObjectName("messageLine");
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(4, 0, 4, 0);
    lblStoredRecord_ = named(new QLabel(line), "lblStoredRecord", "Tiles show");
    lblStoredRecord_->hide();
    row->addWidget(lblStoredRecord_);
    row->addStretch();
    frameData_ = named(new QFrame(line), "FrameData", "Waiting for Connection");
    auto* dataRow = new QHBoxLayout(frameData_);
    dataRow->setContentsMargins(12, 2, 12, 2);
    dataRow->addWidget(staticLabel("Label8", "Waiting for Connection", frameData_));
    frameData_->hide();
    row->addWidget(frameData_);
    row->addStretch();
    lblPauseMessage_ = named(new QLabel(line), "lblPauseMessage", "Test message");
    lblPauseMessage_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(lblPauseMessage_);
    return line;
}

QWidget* MainWindow::buildChartPanel()
{
    frameG_ = named(new QGroupBox(this), "frameG", "Chart");
    frameG_->setProperty("card", true);
    auto* column = new QVBoxLayout(frameG_);
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(4);

    auto* top = new QHBoxLayout;
    tabStrip_ = named(new QTabBar(frameG_), "tabStrip", "Graph");
    tabStrip_->setExpanding(false);
    tabStrip_->setDrawBase(false);
    for (const char* caption : {"   Volts - Time  ", "  Current - Time", "  Temp - Time"})
        tabStrip_->addTab(caption);
    top->addWidget(tabStrip_);
    top->addStretch();

    frameGraphSelect_ = named(new QGroupBox("Graph Select", frameG_), "frameGraphSelect", "Graph Select");
    auto* selectRow = new QHBoxLayout(frameGraphSelect_);
    comGraph_ = named(new QComboBox(frameGraphSelect_), "comGraph", "Graph Select");
    comGraph_->setEditable(true);
    selectRow->addWidget(comGraph_);
    frameGraphSelect_->hide();
    top->addWidget(frameGraphSelect_);
    column->addLayout(top);

    chart_ = named(new ChartView(frameG_), "chart", "Chart");
    chart_->setMinimumHeight(150);
    column->addWidget(chart_, 1);

    auto* bottom = new QHBoxLayout;
    lblPage_ = named(new QLabel("Page", frameG_), "lblPage", "Page");
    lblPage_->hide();
    hScroll_ = named(new QScrollBar(Qt::Horizontal, frameG_), "HScroll", "History page");
    hScroll_->setRange(0, 32767);
    lblCount_ = named(new QLabel("0", frameG_), "lblCount", "Record count");
    lblCount_->hide();
    bottom->addWidget(lblPage_);
    bottom->addWidget(hScroll_, 1);
    bottom->addWidget(lblCount_);
    column->addLayout(bottom);

    connect(tabStrip_, &QTabBar::currentChanged, this, [this](int index) {
        if (!mirroring_ && index >= 0)
            onTabChosen(index);
    });
    connect(tabStrip_, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == tabStrip_->currentIndex())
            onTabChosen(index);   // clicking the chosen tab again redraws it, too
    });
    connect(comGraph_, &QComboBox::activated, this, [this](int index) {
        if (mirroring_)
            return;
        app_.form().ctl.comGraphText = comGraph_->itemText(index).toUtf8().toStdString();
        app_.handle([this] { app_.form().comGraphClick(); });
    });
    connect(comGraph_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (mirroring_)
            return;
        app_.form().ctl.comGraphText = text.toUtf8().toStdString();
        app_.handle([this] { app_.form().comGraphChange(); });
    });
    connect(hScroll_, &QScrollBar::valueChanged, this, [this](int value) {
        if (!mirroring_)
            app_.handle([this, value] { app_.form().setHScrollValue(value); });
    });
    return frameG_;
}

void MainWindow::buildStatusBar()
{
    auto* bar = new QStatusBar(this);
    bar->setObjectName("StatusBar1");
    bar->setAccessibleName("Status");
    bar->setSizeGripEnabled(true);
    statusPanel_ = named(new QLabel(bar), "StatusBar1Panel1", "Connection status");
    statusPanel_->setMinimumWidth(160);
    bar->addWidget(statusPanel_, 1);
    // Further fields sit at the right, each its own permanent widget.
    statusRecord_ = named(new QLabel(bar), "statusRecord", "Download");
    statusRecord_->hide();
    bar->addPermanentWidget(statusRecord_);
    checksumPanel_ = named(new QLabel(bar), "StatusBarChecksum", "Data check");
    checksumPanel_->hide();
    bar->addPermanentWidget(checksumPanel_);
    lblTime_ = named(new QLabel(bar), "lblTime", "Graph time");
    lblTime_->hide();
    bar->addPermanentWidget(lblTime_);
    deskNotice_ = named(new QLabel(bar), "lblDesktopNotice", "Desktop");
    deskNotice_->hide();
    bar->addPermanentWidget(deskNotice_);
    runField_ = new RunField(QString::fromStdString(app_.form().resultsFolder()), bar);
    bar->addPermanentWidget(runField_);
    setStatusBar(bar);
}

QAction* MainWindow::addMenuItem(QMenu* menu, const char* name, const char* text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

void MainWindow::buildMenus()
{
    menuBar()->setObjectName("menuBar");
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    file->setSeparatorsCollapsible(false);   // the File menu shows both separators
    QAction* save = addMenuItem(file, "mnuSave", "&Save File...");
    QAction* read = addMenuItem(file, "mnuRead", "&Read File...");
    QAction* readLast = addMenuItem(file, "mnuReadLastFile", "&Read Last File......");
    file->addSeparator()->setObjectName("mnuSeparator1");
    QAction* startFlash = addMenuItem(file, "mnuStartFlash", "&Start Flash");
    QAction* stopFlash = addMenuItem(file, "mnuStopFlash", "&Reset Flash");
    QAction* clearFlash = addMenuItem(file, "mnuClearFlash", "&Clear Results Stored in Load Bank Memory");
    file->addSeparator()->setObjectName("mnuSeparator2");
    QAction* exit = addMenuItem(file, "mnuExit", "&Exit");
    file->addSeparator()->setObjectName("mnuSeparator3");
    connect(addMenuItem(file, "mnuTestReport", "Test Report..."), &QAction::triggered, this,
            [this] { openTestReport(app_, chart_, this); });
    // The load bank memory items are kept out of the operator's reach.
    for (QAction* a : {readLast, startFlash, stopFlash, clearFlash}) {
        a->setVisible(false);
        a->setEnabled(false);
    }

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    QAction* about = addMenuItem(help, "mnuAbout", "&About");

    auto wire = [this](QAction* action, void (Form1::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] {
            app_.handle([this, handler] { (app_.form().*handler)(); });
        });
    };
    wire(save, &Form1::mnuSaveClick);
    wire(read, &Form1::mnuReadClick);
    wire(startFlash, &Form1::mnuStartFlashClick);
    wire(stopFlash, &Form1::mnuStopFlashClick);
    wire(clearFlash, &Form1::mnuClearFlashClick);
    wire(exit, &Form1::mnuExitClick);
    wire(about, &Form1::mnuAboutClick);
}

void MainWindow::onTabChosen(int index)
{
    app_.form().ctl.tabStrip = index + 1;
    app_.handle([this, index] { app_.form().tabStripClick(index + 1); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cmdConnect_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers m = key->modifiers();
        const int code = legacyKeyCode(key->key());
        app_.handle([this, code, m] {
            app_.form().cmdConnectKeyDown(code, m & Qt::ShiftModifier, m & Qt::ControlModifier,
                                          m & Qt::AltModifier);
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

// What a screen reader says of the chart instead of "graphic": the quantity, how many readings
// it holds and the last of them ("Volts against time, 1,204 readings, last 47.20 V at 01:40:00").
void MainWindow::describeChart(const Form1& form)
{
    static const char* const names[] = {"Volts", "Current", "Temperature"};
    static const char* const units[] = {"V", "A", "Deg C"};
    const int type = std::clamp<int>(form.graphType, 0, 2);
    const ChartModel& m = form.chart;
    int readings = 0, last = 0;
    for (int p = 1; p <= m.pointCount(); ++p)
        if (m.plotted(p) && !m.pointLabel(p).empty()) {
            ++readings;
            last = p;
        }
    QString count = QString::number(readings);
    for (qsizetype at = count.size() - 3; at > 0; at -= 3)
        count.insert(at, ',');
    QString text = QStringLiteral("%1 against time, %2 %3").arg(names[type], count, readings == 1 ? "reading" : "readings");
    if (last > 0 && m.seriesCount() > 0 && m.series(1).values.size() >= static_cast<size_t>(last))
        text += QStringLiteral(", last %1 %2 at %3")
                    .arg(m.series(1).values[static_cast<size_t>(last - 1)], 0, 'f', type == 0 ? 2 : 1)
                    .arg(units[type], qs(m.pointLabel(last)));
    if (chart_->accessibleDescription() != text)
        chart_->setAccessibleDescription(text);
}

void MainWindow::mirror(const Form1& form)
{
    mirroring_ = true;
    const Form1Controls& c = form.ctl;

    syncWindowTitle(this, qs(c.caption));
    syncText(txtIP_, qs(c.txtIP));   // typing writes the core at once, so this never fights it
    syncTitle(frmSetIP_, qs(c.frmSetIP.caption));
    syncVisible(frmSetIP_, c.frmSetIP.visible);
    syncVisible(frameData_, c.FrameData.visible);

    syncLabel(lblU0_, c.lblU[0]);
    syncLabel(lblA0_, c.lblA[0]);
    syncLabel(lblA3_, c.lblA[3]);
    syncLabel(lblT_, c.lblT);
    syncLabel(lblAh_, c.lblAh);
    syncLabel(lblKW_, c.lblKW);
    syncLabel(lblFreq_, c.lblFreq);
    syncLabel(lblSpeed_, c.lblSpeed);
    announce(lblPauseMessage_, qs(c.lblPauseMessage.caption));
    syncLabel(lblPauseMessage_, c.lblPauseMessage);
    if (c.lblPauseMessage.caption.empty() && !lblPauseMessage_->styleSheet().isEmpty()) {
        lblPauseMessage_->setStyleSheet({});   // no message, no box
        lblPauseMessage_->setProperty("backRgb", {});   // its colour comes back with a message
    }
    syncLabel(lblHCMPointer_, c.lblHCMPointer);
    syncLabel(lblTime_, c.lblTime);
    syncLabel(lblCount_, c.lblCount);
    syncLabel(lblPage_, c.lblPage);
    syncProgress(pBar_, c.pBar);
    syncProgress(pB2_, c.pB2);
    announce(statusPanel_, qs(c.StatusBar1));
    announce(statusRecord_, qs(c.statusRecord));
    syncVisible(statusRecord_, !c.statusRecord.empty());
    syncLabel(lblStoredRecord_, c.lblStoredRecord);
    for (QGroupBox* tile : tiles_)
        if (tile->property("stored").toBool() != c.lblStoredRecord.visible) {
            tile->setProperty("stored", c.lblStoredRecord.visible);
            tile->style()->unpolish(tile);
            tile->style()->polish(tile);
        }
    announce(checksumPanel_, qs(c.StatusBarChecksum));
    syncVisible(checksumPanel_, !c.StatusBarChecksum.empty());

    const int tab = std::clamp(c.tabStrip - 1, 0, tabStrip_->count() - 1);
    if (tabStrip_->currentIndex() != tab) {
        const QSignalBlocker block(tabStrip_);
        tabStrip_->setCurrentIndex(tab);
    }

    QStringList items;
    for (const auto& item : c.comGraphItems)
        items << qs(item);
    QStringList shown;
    for (int i = 0; i < comGraph_->count(); ++i)
        shown << comGraph_->itemText(i);
    if (shown != items || comGraph_->currentText() != qs(c.comGraphText)) {
        const QSignalBlocker block(comGraph_);
        if (shown != items) {
            comGraph_->clear();
            comGraph_->addItems(items);
        }
        comGraph_->setEditText(qs(c.comGraphText));
    }
    syncTitle(frameG_, qs(c.frameGCaption));
    if (frameG_->property("untitled").toBool() != c.frameGCaption.empty()) {   // no room kept for no title
        frameG_->setProperty("untitled", c.frameGCaption.empty());
        frameG_->style()->unpolish(frameG_);
        frameG_->style()->polish(frameG_);
    }

    if (hScroll_->minimum() != c.HScroll.min || hScroll_->maximum() != c.HScroll.max ||
        hScroll_->value() != c.HScroll.value) {
        const QSignalBlocker block(hScroll_);
        hScroll_->setRange(c.HScroll.min, std::max(c.HScroll.min, c.HScroll.max));
        hScroll_->setValue(c.HScroll.value);
    }

    syncPointer(this, c.pointer, busy_);
    linkBanner_->mirror(form.linkPanel, {lblU0_, lblA0_, lblT_, lblAh_, lblA3_});
    runField_->mirror(form.linkPanel);
    syncReadable(deskNotice_, qs(form.linkPanel.notice));
    syncVisible(deskNotice_, !form.linkPanel.notice.empty());

    if (chart_->render(form.chart))
        describeChart(form);
    mirroring_ = false;
}

} // namespace dcload::ui
