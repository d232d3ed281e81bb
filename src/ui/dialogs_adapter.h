// The logger's modal windows: message boxes, the pause dialog, the file dialog and the About
// box. Each show call waits in the window's own event loop, so timer ticks and socket events
// keep reaching the logger while it is open.
#pragma once

#include <vector>

#include <QPointer>

#include "app/platform.h"

class QWidget;

namespace dcload {
class Form1;
}

namespace dcload::ui {

class LoggerApp;
class PauseDialog;
class FileDialog;
class AboutDialog;

class DialogsAdapter : public Dialogs {
public:
    explicit DialogsAdapter(LoggerApp& app) : app_(app) {}

    Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                      Buttons buttons, DefaultButton def) override;
    void notice(const std::string& text, const std::string& title, Icon icon) override;
    void updateNotice(const std::string& text, Icon icon) override;
    void progress(double done, double total) override;
    void showPauseDialog() override;
    void closePauseDialog() override;
    void showFileDialog() override;
    void closeFileDialog() override;
    void showAbout() override;

    // The innermost open window of each kind, or null.
    PauseDialog* pauseDialog() const { return pause_.empty() ? nullptr : pause_.back(); }
    FileDialog* fileDialog() const { return file_.empty() ? nullptr : file_.back(); }
    AboutDialog* aboutDialog() const { return about_; }

    void mirror(const Form1& form);

private:
    QWidget* owner() const;

    LoggerApp& app_;
    std::vector<PauseDialog*> pause_;
    std::vector<FileDialog*> file_;
    AboutDialog* about_ = nullptr;
    QPointer<QWidget> notice_;
};

} // namespace dcload::ui
