#include "ui/main_window.h"

#include <algorithm>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
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
    layout->setContentsMargins(14, 12, 14, 10);
    layout->setSpacing(10);
    layout->addWidget(buildHeader());
    layout->addWidget(buildAddressBar());
    layout->addWidget(buildTiles());
    linkBanner_ = new LinkBanner(central);
    layout->addWidget(linkBanner_);
    layout->addWidget(buildChartPanel(), 1);
    setCentralWidget(central);

    buildMenus();
    buildStatusBar();
    resize(1200, 780);
}

QWidget* MainWindow::buildHeader()
{
    auto* panel = new QFrame(this);
    panel->setObjectName("headerPanel");
    panel->setProperty("card", true);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(10);

    cmdConnect_ = named(new QPushButton("Connect", panel), "cmdConnect", "Connect");
    cmdDisconnect_ = named(new QPushButton("Disconnect", panel), "cmdDisconnect", "Disconnect");
    cmdGet_ = named(new QPushButton("Results Stored in Load Bank", panel), "cmdGet",
                    "Results Stored in Load Bank");
    for (auto* b : {cmdConnect_, cmdDisconnect_, cmdGet_}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(34);
        row->addWidget(b);
    }
    cmdConnect_->installEventFilter(this);   // Ctrl+H reveals the address panel
    connect(cmdConnect_, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdConnectClick(); }); });
    connect(cmdDisconnect_, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdDisconnectClick(); }); });
    connect(cmdGet_, &QPushButton::clicked, this, [this] { app_.handle([this] { app_.form().cmdGetClick(); }); });

    lblHCMPointer_ = named(new QLabel(panel), "lblHCMPointer", "Stored record count");
    lblHCMPointer_->hide();
    row->addWidget(lblHCMPointer_);

    frameData_ = named(new QFrame(panel), "FrameData", "Waiting for Connection");
    auto* dataRow = new QHBoxLayout(frameData_);
    dataRow->setContentsMargins(12, 4, 12, 4);
    dataRow->addWidget(staticLabel("Label8", "Waiting for Connection", frameData_));
    frameData_->hide();
    row->addSpacing(8);
    row->addWidget(frameData_);

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
        bar->setFixedSize(150, 10);
    }
    auto* label3 = staticLabel("Label3", "Data Retrieved Indicator ", frame2);
    auto* label2 = staticLabel("Label2", "Data Retrieved Indiscator", frame2);
    auto* label6 = staticLabel("Label6", "Data Retrieved Indiscator", frame2);
    for (auto* l : {label3, label2, label6})
        l->setProperty("role", "caption");
    grid->addWidget(label3, 0, 0);
    grid->addWidget(pBar_, 0, 1);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(pB2_, 1, 1);
    grid->addWidget(label6, 2, 0, 1, 2, Qt::AlignRight);
    row->addWidget(frame2);
    return panel;
}

QWidget* MainWindow::buildAddressBar()
{
    frmSetIP_ = named(new QGroupBox("Set IP Address", this), "frmSetIP", "Set IP Address");
    frmSetIP_->setProperty("card", true);
    auto* row = new QHBoxLayout(frmSetIP_);
    row->setContentsMargins(14, 8, 14, 10);
    txtIP_ = named(new QLineEdit(frmSetIP_), "txtIP", "IP Address");
    txtIP_->setMinimumWidth(220);
    auto* local = named(new QPushButton("Local", frmSetIP_), "cmdLocal", "Local");
    auto* remote = named(new QPushButton("Remote", frmSetIP_), "cmdRemote", "Remote");
    auto* setIP = named(new QPushButton("Above", frmSetIP_), "cmdSetIP", "Above");
    row->addWidget(txtIP_);
    for (auto* b : {local, remote, setIP}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    row->addStretch();
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
    inner->setContentsMargins(10, 6, 10, 10);
    auto* value = named(new ReadingLabel(box), labelName, caption);
    value->setProperty("reading", true);
    value->setMinimumHeight(64);
    inner->addWidget(value);
    row->addWidget(box, 1);
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

QWidget* MainWindow::buildChartPanel()
{
    frameG_ = named(new QGroupBox(this), "frameG", "Chart");
    frameG_->setProperty("card", true);
    auto* column = new QVBoxLayout(frameG_);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(6);

    auto* top = new QHBoxLayout;
    tabStrip_ = named(new QTabBar(frameG_), "tabStrip", "Graph");
    tabStrip_->setExpanding(false);
    tabStrip_->setDrawBase(false);
    for (const char* caption : {"   Volts - Time  ", "  Current - Time", "  Temp - Time"})
        tabStrip_->addTab(caption);
    top->addWidget(tabStrip_);
    top->addStretch();
    // Beside the graph it concerns, with room for its longest text.
    lblPauseMessage_ = named(new QLabel(frameG_), "lblPauseMessage", "Test message");
    lblPauseMessage_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    top->addWidget(lblPauseMessage_);

    frameGraphSelect_ = named(new QGroupBox("Graph Select", frameG_), "frameGraphSelect", "Graph Select");
    auto* selectRow = new QHBoxLayout(frameGraphSelect_);
    comGraph_ = named(new QComboBox(frameGraphSelect_), "comGraph", "Graph Select");
    comGraph_->setEditable(true);
    selectRow->addWidget(comGraph_);
    frameGraphSelect_->hide();
    top->addWidget(frameGraphSelect_);
    column->addLayout(top);

    chart_ = named(new ChartView(frameG_), "chart", "Chart");
    chart_->setMinimumHeight(260);
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
    statusPanel_->setMinimumWidth(300);
    bar->addWidget(statusPanel_, 1);
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
    syncLabel(lblPauseMessage_, c.lblPauseMessage);
    syncLabel(lblHCMPointer_, c.lblHCMPointer);
    syncLabel(lblTime_, c.lblTime);
    syncLabel(lblCount_, c.lblCount);
    syncLabel(lblPage_, c.lblPage);
    syncProgress(pBar_, c.pBar);
    syncProgress(pB2_, c.pB2);
    syncReadable(statusPanel_, qs(c.StatusBar1));

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

    chart_->render(form.chart);
    mirroring_ = false;
}

} // namespace dcload::ui
