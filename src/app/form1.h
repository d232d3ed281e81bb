// The logger's main window as data: every field of the window and of the shared module, the
// state of every control, and every handler. Procedures live in the folder of their subsystem
// (app, link, decode, chart, results, memory); this header is the one place the state is.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "app/message_log.h"
#include "app/platform.h"
#include "chart/chart_model.h"
#include "link/unattended.h"

namespace dcload {

inline constexpr int kDevicePort = 2200;
// The Results folder when none is named: C:/Results on Windows, ~/Results elsewhere. Defined
// with the operating system's file layer (results/file_io_*.cpp).
std::string defaultResultsFolder();
inline constexpr int kMessageLogSize = 100001;     // indices 0..100000
// What readLastFile may keep of one file (text and index of the log): a week of readings at
// one a second takes about 28 MB; past this, later records replace the last one.
inline constexpr std::size_t kLogBudget = 40u << 20;
inline constexpr float kLowCurrent = 5.0f;

// Request modes of the poll timer.
enum RequestMode : std::int16_t {
    modeLive = 0, modeRecordCount = 1, modeClear = 2, modeDownload = 3, modeReset = 4, modeStart = 5
};

// Texts the logger shows exactly as they stand.
inline constexpr const char* kMainCaption = "Brackwin Products DC Load Data Logger";
inline constexpr const char* kAppTitle = "KorvelLoad_4";
inline constexpr const char* kAppDescription = "This retrieves AC_Load information";
inline constexpr const char* kLegalNotice = "Copyright \xC2\xA9 Brackwin Products. All rights reserved.";
inline constexpr const char* kDefaultRecord =
    "010101000190019A01A400C800D200DC009801FE001300000000001C";
// Built-in addresses. Never dialled on a build or test machine.
inline constexpr const char* kDefaultLocalAddress = "192.168.1.200";
inline constexpr const char* kFixedRemoteAddress = "203.0.113.45";

// File dialog Form2.
struct Form2State {
    std::int16_t mode = 0;             // 0 save, 1 read
    std::string caption = "Save File";
    std::string okCaption = "&Save";
    std::string folder;                // Dir1 / File1 path
    std::string pattern = "DC_Result*.txt";
    std::vector<std::string> files;    // File1 entries (names only)
    std::string txtExport;
    ProgressBar pB2;
    Pointer pointer = Pointer::Default;
    bool open = false;
};

// About box frmAbout.
struct AboutState {
    std::string caption = "About MyApp";
    std::string lblTitle = "Application Title";
    std::string lblVersion = "Version";
    std::string lblDescription = "App Description";
    std::string lblDisclaimer = "Warning: ...";
};

// Pause / finish dialog DialogDisconnect.
struct PauseDialogState {
    bool open = false;
    std::int16_t closeTicks = 0;
    std::string reason;                // why it opened: the low reading's current, time, volts
};

// A download of the load bank's stored records, shown while it runs.
struct DownloadProgress {
    bool active = false;
    bool wrapped = false;              // the count reply carried the wrap flag
    std::int32_t expected = 0;         // records the count reply announced
    std::int32_t logged = 0;           // records logged since
};

struct Form1Controls {
    std::string caption = kMainCaption;
    std::string txtIP;
    Frame frmSetIP{"Set IP Address", false};
    Frame FrameData{"", false};        // holds Label8 "Waiting for Connection"
    std::array<Label, 6> lblU;         // element 0 volts
    std::array<Label, 4> lblA;         // element 0 current, element 3 test time
    Label lblT, lblAh, lblKW, lblFreq, lblSpeed{"0"};
    ProgressBar pBar;                  // data-arrival indicator
    ProgressBar pB2;                   // decoder activity indicator
    Label lblPauseMessage;
    std::string StatusBar1;            // panel 1
    std::string statusRecord;          // status bar field: "Record k of n" during a download
    Label lblStoredRecord{"", kWhite, false}; // marks the tiles while they show a stored record
    std::string StatusBarChecksum;     // readings with a checksum error; empty: none yet
    Label lblHCMPointer{"", kWhite, false};
    Label lblTime{"", kYellow, false};
    Label lblCount{"0", kWhite, false};
    Label lblPage{"Page", kWhite, false};
    int tabStrip = 1;                  // selected tab, 1-based
    std::vector<std::string> comGraphItems;
    std::string comGraphText;
    std::string frameGCaption;
    ScrollBar HScroll;
    Pointer pointer = Pointer::Default;
};

// A run-time failure of the kind the logger's handlers stop or skip on (conversion, overflow,
// division by zero, file errors). Carries a numeric code and a description for the operator.
struct RuntimeError {
    int number;
    std::string description;
};
RuntimeError conversionError();   // 13 Type mismatch
RuntimeError overflowError();     // 6 Overflow
RuntimeError divisionByZero();    // 11 Division by zero
RuntimeError subscriptError();    // 9 Subscript out of range

class Form1 {
public:
    Form1(Platform platform, std::string resultsFolder, int port = kDevicePort);

    // ---- start-up, clock, shutdown (app) ----
    void formLoad();
    float elapsedSeconds() const;
    void mnuExitClick();               // ends the program: the Qt layer quits
    bool exitRequested = false;
    void mnuAboutClick();
    void frmAboutLoad();

    // ---- device address (app) ----
    std::string readDeviceAddress();
    void saveDeviceAddress(const std::string& address);
    void cmdLocalClick();
    void cmdRemoteClick();
    void cmdSetIPClick();
    void cmdConnectKeyDown(int keyCode, bool shift, bool ctrl, bool alt);

    // ---- connection lifecycle (link) ----
    void cmdConnectClick();
    void cmdDisconnectClick();
    void connectSocket();
    void disconnect();
    void Connecting(bool onOff);
    void requestFlashReset();
    void tcpClientConnect();
    void tcpClientClose();
    void tcpClientError(const std::string& description);

    // ---- polling and receive (link) ----
    void timerTick(TimerId id);        // dispatches every timer
    void timerRequestTick();
    void timer1Tick();
    void timer2Tick();
    void tcpClientDataArrival();

    // ---- decoding and test tracking (decode) ----
    void processMessage(std::string msg, std::int16_t noSave, std::int16_t reset,
                        std::int16_t startTime, std::int16_t startRow);
    void checkCurrent(float I);
    void timerDisconnectTick();
    void dialogDisconnectLoad();
    void dialogOkClick();              // "Click to PAUSE TEST"
    void dialogCancelClick();          // "Click to FINISH TEST"
    void dialogTimer1Tick();
    void dialogClosedByUser();         // closed any other way: result stays 2
    void adjustTimer();
    void addChartPoint(const std::string& msg, std::int16_t graphType, bool resetFlag,
                       std::int16_t startTime, std::int16_t startRow, std::int32_t& chartRowCount);

    // ---- chart (chart) ----
    void CreateChart(std::int16_t ref, std::int16_t firstRowRef, std::int16_t& rowCount);
    void CreateChart(std::int16_t ref, std::int16_t firstRowRef, std::int32_t& rowCount);
    void adjustScale(float value, std::int16_t c);
    void tabStripClick(int tabIndex);
    void comGraphChange();
    void comGraphClick();
    void readLFile(std::int16_t& page, bool read0);
    void setHScrollMin(int v);
    void setHScrollMax(int v);
    void setHScrollValue(int v);
    void hScrollChange();

    // ---- results (results) ----
    std::int16_t getLastFileNumber();
    std::string readLastFile(std::int16_t row, std::int16_t asFile, bool read0);
    void saveRecord(const std::string& record);
    void saveCsvRecord(const std::string& line);
    void mnuSaveClick();
    void mnuReadClick();
    void form2Activate();
    void form2FolderChange(const std::string& folder);
    void form2FileClick(const std::string& name);
    void form2OkClick();
    void exportData(const std::string& fileName);
    void importData(const std::string& fileName);
    void importLastData();
    void refreshFileList();

    // ---- load bank memory (memory) ----
    void cmdGetClick();
    void mnuStartFlashClick();
    void mnuStopFlashClick();
    void mnuClearFlashClick();
    void startFlash();
    void clearFlash();
    void downloadCounted();            // the count reply arrived: records will follow
    void storedRecordLogged();         // one record of the download was shown and logged
    void downloadSilent();             // the load bank gave nothing for a while
    void endDownload();
    DownloadProgress download;

    // ---- paths ----
    const std::string& resultsFolder() const { return resultsFolder_; }
    std::string resultsPath(std::string_view name) const;
    std::string resultFileName(int n) const;
    std::string csvFileName(int n) const;
    std::string counterFileName() const;
    std::string addressFileName() const;

    // ---- main window fields ----
    std::int16_t requestMode = 0;
    bool replyReceived = false;
    std::int16_t silentTicks = 0;
    std::int32_t flashRecordCount = 0;
    bool wrapFlag = false;
    std::int32_t recordCounter = 0;
    bool downloadStarting = true;
    std::int16_t recordLimit = 60;
    float connectTime = 0.0f;          // "empty" before the first Connect counts as 0
    MessageLog messageLog;
    std::int32_t gTimeCount = 0;
    std::array<float, 21> readings{};
    std::int16_t graphType = 0;
    std::int32_t chartRowCount = 0;
    std::int16_t pageCount = 0;
    bool pauseAsked = false;
    bool fileStarted = false;

    // ---- shared module fields ----
    double programStartTime = 0.0;     // clock seconds at start-up
    std::int32_t messageCount = 0;
    std::int32_t tickCount = 0;
    std::int32_t ticksSinceStored = 0;
    std::int32_t storedReadingPeriod = 0;
    bool testPaused = false;
    std::int16_t rearmTicks = 0;
    std::optional<std::int16_t> dialogResult;
    bool messageLogLoaded = false;
    bool reloadHistory = false;

    // ---- decoder state kept between calls ----
    std::int16_t fileProgressTicks = 0;
    std::int16_t readProgressTicks = 0;
    std::int16_t chartRow = 0;
    float chartTime = 0.0f;

    // ---- windows and controls ----
    Form1Controls ctl;
    ChartModel chart;
    Form2State form2;
    AboutState about;
    PauseDialogState pauseDialog;
    std::string lblFileName;           // Dialog's label: a text holder, never shown
    std::uint64_t skippedLines = 0;    // items of the last file read too long to be records
    std::uint64_t lastReadBytes = 0;   // bytes that read took from the file

    // Receive path: a reply is framed by the request that asked for it. What arrived for the
    // reply due is gathered here until it is complete; the poll tick waits for a reply still
    // arriving and drops it after kReplyWaitSeconds. Connect, Disconnect, memory commands and
    // resets drop what is left.
    static constexpr double kReplyWaitSeconds = 3.0;
    std::string replyBuffer;
    std::int16_t repliesDue = 0;       // requests sent and not answered yet (at most 3)
    bool countAsked = false;           // the last request was "#P"
    double replyStarted = 0;           // clock seconds when the gathered bytes began
    std::int32_t replySecs = 0;        // seconds since Connect when the last of them arrived
    // A fragment was dropped: its tail may still come glued to the next reply's head, so a
    // checksum error is not taken as a reading until a reply whose checksum holds was taken.
    bool checksumDistrusted = false;
    int replyExtra = -1;               // the 33rd character this load bank sends: -1 not known yet, 0 none
    std::int32_t checksumErrors = 0;   // readings with a checksum error since Connect
    std::int32_t readingsTaken = 0;    // readings since Connect
    void sendRequest(const std::string& text);
    void dropPartialReply();
    // At a poll tick: takes a gathered reply that is complete; true while one is still arriving.
    bool settleReply();

    // ---- unattended tests (link/reconnect.cpp) ----
    LinkWatch link;
    LinkPanel linkPanel;
    void linkWatchTick();              // once a second while the link is wanted
    void eventCommandProblem(const std::string& what); // the site's command failed or hung
    void testEnded(float current);     // the low-current question is about to be asked

    Platform& platform() { return platform_; }
    int port() const { return port_; }

private:
    void stepForm2Progress(std::int16_t& ticks);
    double linkNow() const;
    void tell(const std::string& event, const std::string& title, const std::string& text);
    void linkStarted();
    void linkStopped();
    void linkOpened();
    void linkDown();
    void reconnectTry();
    void linkReading();
    void showRun();
    struct Reply {
        std::string text;              // a data message (32 hex, maybe a CR) or a 6-digit count
        std::int32_t secs;             // seconds since Connect when it arrived
    };
    enum class Scan { Arrival, SingleRead, Tick };
    void frameReplies(const std::string& data, std::int32_t secs);
    void scanReplies(Scan how);
    void queueReply(std::string text, bool countReply = false);
    void takeReplies();
    bool takeReply(const Reply& reply); // false: the message log is full
    std::deque<Reply> replyQueue_;     // taken, in arrival order; re-entrant handlers share it
    void resultsFolderProblem(const std::string& path, const std::string& reason);
    void resultsFolderBack();
    bool appendLine(const std::string& path, const std::string& text);
    void saveLine(bool csv, const std::string& text);
    bool writeLine(std::size_t run, bool csv, const std::string& text);
    bool flushUnsaved();
    bool numberRuns();
    std::int32_t newRunNumber();
    bool writeCounterFile(std::int32_t n, bool report = true);
    int highestResultNumber(bool withCsv = false) const;
    std::int16_t recoverCounter(const std::string& why);
    std::int16_t shownFileNumber();
    void tellOnce(const std::string& text, const std::string& title, Icon icon);

    Platform platform_;
    std::string resultsFolder_;
    int port_;
    std::array<float, 10> shownSlots_{};      // the readings the display texts were made from
    std::array<bool, 10> shownValid_{};
    std::array<std::string, 10> shownText_;
    bool folderProblemShown_ = false;
    bool counterNoticeShown_ = false;
    // Lines the Results folder would not take, oldest first, written before any newer line, each
    // into the files of the run it arrived in.
    struct UnsavedLine {
        std::size_t run;               // index into runNumbers_
        bool csv;
        std::string text;
    };
    std::deque<UnsavedLine> unsaved_;
    bool unsavedDropped_ = false;
    // Every run of this session in order, with its number; 0 while the folder could not tell a
    // free one yet (the runs from firstUnnumbered_ on). Numbers never go down while the program runs.
    std::vector<std::int32_t> runNumbers_;
    std::size_t firstUnnumbered_ = 0;
    std::int32_t lastRunNumber_ = 0;
    // The number of the run being written; the counter's while the folder could not number it yet.
    std::int32_t currentRunNumber() { return !runNumbers_.empty() && runNumbers_.back() ? runNumbers_.back() : getLastFileNumber(); }
    std::int32_t counterDue_ = 0;      // the run number the counter file could not be given yet
    bool runsUsedUpShown_ = false;
    std::vector<std::string> openBoxes_; // boxes shown by tellOnce and not closed yet
    // The run's information file: the PC time of its first reading at once, of the latest one at
    // most once a minute and at Disconnect, each time read, changed and written whole so what
    // others keep in it stays.
    void noteRunReading(std::int32_t run, bool first);
    void saveLastReading();
    std::int32_t infoRun_ = 0;
    std::string lastReadingTime_;      // not yet in the file when lastReadingDue_
    bool lastReadingDue_ = false;
    double lastInfoWrite_ = 0;
    std::string readBuffer_;           // reused by readLastFile

    // Where the last read of a result file stopped, so the next one reads only what was added.
    struct ReadCursor;
    std::shared_ptr<ReadCursor> cursor_; // (std::memory comes with the message log)
    void addRecord(std::string_view item, bool pending);
    void buildChart(std::int16_t ref, std::int32_t points); // CreateChart's work for either count
};

} // namespace dcload
