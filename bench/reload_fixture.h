// A logger on a virtual platform with a result file of logged lines (40,000 for the shared
// instance), for the benchmarks.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace dcload::test { class VirtualLogger; }

namespace bench {

class ReloadFixture {
public:
    static void init(int& argc, char** argv);
    static ReloadFixture& instance();
    explicit ReloadFixture(int lines, int run = 7);
    ~ReloadFixture();

    void reload();            // the periodic reload, then one redraw
    void tabSwitch(int tab);  // a tab click, then one redraw
    void fillMessageLog();    // every entry of the message log holds a stored message
    void appendLine();        // the next reading, as the logger appends it to the result file
    const std::string& resultFile() const { return resultFile_; }
    int records() const;
    std::size_t logBytes() const;
    int plottedPoints() const;
    int redraws() const { return redraws_; }

    // Set by the Qt part when the chart view is built in: renders the chart model once.
    static std::function<void(dcload::test::VirtualLogger&)> redrawHook;

private:
    void redraw();
    int lines_;
    std::unique_ptr<dcload::test::VirtualLogger> logger_;
    std::string resultFile_;
    int redraws_ = 0;
};

} // namespace bench
