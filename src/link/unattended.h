// Unattended tests: the link is opened again by itself after a drop, a silent load bank is shown
// on the main panel, each gap is kept beside the run, and the technician is told of the test's
// end and of a long loss. Pure pieces are free functions; the state lives in Form1::link.
#pragma once

#include <string>

namespace dcload {

inline constexpr double kStaleSeconds = 5;         // no reading for this long: the tiles are stale
inline constexpr double kQuickDropSeconds = 5;     // a reconnection closed this soon counts as taken over
inline constexpr int kQuickDropsToGiveUp = 3;
inline constexpr double kLongLossSeconds = 60;     // a loss this long is told to the technician
inline constexpr double kBackShownSeconds = 60;    // how long the banner tells of a gap once over
inline constexpr double kConnectTimeoutSeconds = 15; // a try still not open then is given up
inline constexpr const char* kTakenOverText =
    "Another client seems to hold the load bank; press Connect to try again";

// Seconds to wait before the next try after `failed` tries that came to nothing.
double reconnectPause(int failed);
// "hh:mm:ss" of a length of time (hours keep counting past 99).
std::string clockText(long seconds);
// Readings a gap of this many seconds cost at one a second (the reading that ended it excluded).
long missedReadings(double gapSeconds);
// The PC's local time of day ("15:42:07") and date-time ("2026-12-06T15:42:07"), secondsAgo ago.
std::string localTimeOfDay(double secondsAgo = 0);
std::string localDateTime(double secondsAgo = 0);

std::string lostBanner(const std::string& at, int tryNumber);
std::string noAnswerBanner(long seconds);
std::string backBanner(long seconds, long missed);

// The link's watch state, from Connect to Disconnect.
struct LinkWatch {
    // Settings, kept by the Qt layer between runs.
    bool reconnect = true;
    std::string eventCommand;

    bool wanted = false;           // Connect pressed, Disconnect not since
    int tries = 0;                 // reconnection tries since the link was last open with readings
    double nextTryAt = -1;         // clock seconds of the next try; < 0 none due
    double tryStartedAt = -1;      // the try in progress, if any
    double openedAt = -1;          // a reconnection opened then; < 0 none open
    int quickDrops = 0;            // reconnections in a row that the load bank closed at once
    bool gaveUp = false;
    double lastReadingAt = 0;      // clock seconds of the last reading (or Connect)
    bool stale = false;
    double lostAt = -1;            // the link went down then; < 0 it is up
    std::string lostAtText;
    bool lostTold = false;         // the long loss was told: its end will be, too
    double backUntil = -1;         // the banner tells of the last gap until then
    bool awakeNoticeShown = false;
    bool decodingLive = false;     // the decoder is at work on a reading that just came in
};

// What the main panel shows of the link, mirrored by the Qt layer.
struct LinkPanel {
    std::string banner;            // empty: hidden
    bool stale = false;            // the reading tiles are out of date ...
    std::string staleAge;          // ... by this long ("00:00:12")
    std::string runField;          // "Run 4 · DC_Result_4.txt"
    std::string notice;            // desktop problems, for the status bar
};

} // namespace dcload
