// Reading the current result file into the message log: a piece at a time, and on the periodic
// reload only what the file added since the last read.
#include <algorithm>

#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"
#include "results/item_scanner.h"

namespace dcload {

namespace {
constexpr std::size_t kChunk = 1u << 20; // a result file is read a piece at a time
constexpr std::size_t kTail = 64;        // bytes compared to see a file only grew
} // namespace

struct Form1::ReadCursor {
    bool valid = false;
    std::string path;
    FileIdentity id;
    std::uint64_t end = 0;         // bytes read
    std::string tail;              // the last bytes read, to see the file was not rewritten
    ItemScanner scanner;           // state at `end`, before the unfinished last item
    std::size_t records = 0;       // records before that item
    bool replacedLast = false;     // that item replaced the last record (log full) ...
    std::string replaced;          // ... which held this
};

// A record of the file being read into the log; once the log's budget is spent, later records
// replace the last one, so the log still ends on the file's latest reading.
void Form1::addRecord(std::string_view item, bool pending) {
    const std::size_t last = messageLog.size() - 1;
    if (last == 0 || messageLog.textBytes() + item.size() + 8 * (last + 2) <= kLogBudget) {
        messageLog.push_back(item);
        return;
    }
    if (pending) {
        cursor_->replacedLast = true;
        cursor_->replaced = std::string(messageLog[last]);
    }
    messageLog.set(last, item);
}

std::string Form1::readLastFile(std::int16_t row, std::int16_t asFile, bool read0) {
    if (messageLogLoaded) {
        if (row < 0 || row >= kMessageLogSize) throw subscriptError();
        return messageLog[static_cast<size_t>(row)];
    }
    std::int16_t n = shownFileNumber();
    if (read0) n = 1;
    const std::string name = resultFileName(n);
    lblFileName = name;

    // The same file, only grown since the last read (its last bytes read are unchanged and the
    // log was not rewritten meanwhile, or every rewrite can be undone): read what was added.
    const FileIdentity id = fileIdentity(name);
    if (!cursor_) cursor_ = std::make_shared<ReadCursor>();
    ReadCursor& c = *cursor_;
    bool grown = c.valid && c.path == name && id.sameFile(c.id) && id.size >= c.end;
    if (grown) {
        const std::uint64_t from = c.end - c.tail.size();
        grown = readFileRange(name, from, static_cast<std::size_t>(std::min<std::uint64_t>(id.size - from, kChunk)),
                              readBuffer_).ok() &&
                std::string_view(readBuffer_).substr(0, c.tail.size()) == c.tail && messageLog.restore();
    }
    std::uint64_t offset = 0;
    if (grown) {
        messageLog.resize(c.records + 1); // the unfinished last item is read again, whole
        if (c.replacedLast) messageLog.set(c.records, c.replaced);
        offset = c.end - c.tail.size();
    } else {
        messageLog.unguard();
        c = ReadCursor{};
        FileResult r = readFileRange(name, 0, kChunk, readBuffer_);
        const bool running = fileStarted && firstUnnumbered_ == runNumbers_.size() && !runNumbers_.empty() &&
                             runNumbers_.back() == n;
        if (r.missing() && running) {
            // The running test's file vanished: made again under its own number, and the run goes on in it.
            const bool folder = makeFolder(resultsFolder_).ok();
            FileResult w = appendToFile(name, n == 1 ? std::string(kDefaultRecord) + "\r\n" : std::string());
            if (!w.ok()) {
                resultsFolderProblem(folder ? name : resultsFolder_, w.reason);
                return "";
            }
            r = readFileRange(name, 0, kChunk, readBuffer_);
        }
        if (r.missing()) {
            writeCounterFile(std::max(1, highestResultNumber())); // never back onto an older run's files
            // Records already in result file 1 are never overwritten by the default one.
            const std::string first = resultFileName(1);
            std::string existing;
            if (readFileRange(first, 0, 1, existing).status != FileStatus::Ok || existing.empty()) {
                FileResult w = writeWholeFile(first, std::string(kDefaultRecord) + "\r\n");
                // Nothing could be created: the folder's own message says so, once, instead of
                // announcing default files on every periodic reload.
                if (!w.ok()) {
                    resultsFolderProblem(makeFolder(resultsFolder_).ok() ? first : resultsFolder_, w.reason);
                    return "";
                }
            }
            tellOnce("New Default Files Created", "Software Start Up", Icon::Information);
            return "";
        }
        if (!r.ok()) readBuffer_.clear(); // unreadable: no records
        messageLog.resize(1);             // entry 0 is not the file's
        messageLog.reserveMore(static_cast<std::size_t>(std::min<std::uint64_t>(id.size, kLogBudget)),
                               static_cast<std::size_t>(std::min<std::uint64_t>(id.size / 40, kLogBudget / 48)));
    }

    auto onItem = [this](std::string_view item) {
        stepForm2Progress(readProgressTicks);
        ctl.pB2.step();
        if (!item.empty()) addRecord(item, false);
    };
    std::size_t skip = grown ? c.tail.size() : 0; // the old tail leads the first piece
    std::string tail;
    for (;;) {
        const std::string_view data = readBuffer_;
        c.scanner.feed(data.substr(skip), onItem);
        skip = 0;
        offset += data.size();
        tail.append(data.substr(data.size() - std::min(data.size(), kTail)));
        if (tail.size() > kTail) tail.erase(0, tail.size() - kTail);
        if (data.size() < kChunk) break;
        if (!readFileRange(name, offset, kChunk, readBuffer_).ok()) break; // a failure later on is ignored
    }

    lastReadBytes = offset - (grown ? c.end - c.tail.size() : 0);
    c.valid = true;
    c.path = name;
    c.id = id;
    c.end = offset;
    c.tail = std::move(tail);
    c.records = messageLog.size() - 1;
    c.replacedLast = false;
    std::string_view last;
    bool tooLong = false;
    if (c.scanner.pending(last, tooLong) && !tooLong) {
        stepForm2Progress(readProgressTicks);
        ctl.pB2.step();
        if (!last.empty()) addRecord(last, true);
    }
    skippedLines = c.scanner.overlong + (tooLong ? 1 : 0);
    const std::int32_t next = static_cast<std::int32_t>(messageLog.size());
    if (!grown) messageLog.trim();
    if (messageLog.size() < static_cast<std::size_t>(kMessageLogSize)) messageLog.resize(kMessageLogSize);
    messageLog.guard(c.records);
    if (readBuffer_.capacity() > kChunk + 64) std::string().swap(readBuffer_);
    messageLogLoaded = true;

    if (asFile == -1) return std::to_string(next - 1);
    if (row <= 0 || row >= next) return messageLog[static_cast<size_t>(next - 1)];
    return messageLog[static_cast<size_t>(row)];
}

} // namespace dcload
