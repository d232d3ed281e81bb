// A logger on a virtual platform with a result file of 40,000 logged lines, for the benchmarks.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace dcload::test { class VirtualLogger; }

namespace bench {

class ReloadFixture {
public:
    static void init(int& argc, char** argv);
    static ReloadFixture& instance();

    void reload();            // the periodic reload, then one redraw
    void tabSwitch(int tab);  // a tab click, then one redraw
    void fillMessageLog();    // every entry of the message log holds a stored message
    const std::string& resultFile() const { return resultFile_; }
    int records() const;
    int plottedPoints() const;
    int redraws() const { return redraws_; }

    // Set by the Qt part when the chart view is built in: renders the chart model once.
    static std::function<void(dcload::test::VirtualLogger&)> redrawHook;

private:
    ReloadFixture();
    void redraw();
    std::unique_ptr<dcload::test::VirtualLogger> logger_;
    std::string resultFile_;
    int redraws_ = 0;
};

} // namespace bench
