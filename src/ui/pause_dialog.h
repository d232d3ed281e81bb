// DialogDisconnect: asks whether a test whose current fell away is paused or finished.
#pragma once

#include <functional>

#include <QDialog>

class QLabel;
class QPushButton;

namespace dcload::ui {

class PauseDialog : public QDialog {
    Q_OBJECT
public:
    explicit PauseDialog(QWidget* parent = nullptr);

    std::function<void()> onPause;          // "Click to PAUSE TEST"
    std::function<void()> onFinish;         // "Click to FINISH TEST"
    std::function<void()> onClosedByUser;   // window closed any other way

    // Closes the dialog on the logger's request (a button handler or the time-out).
    void finish();
    bool finished() const { return finished_; }

    // Why it opened, in words ("current 0.0 A below 5 A at 02:00:00, 42.00 V"): shown under the
    // headline and read out with the dialog.
    void setReason(const QString& reason);

    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void reject() override;

private:
    QLabel* label1_;
    QLabel* reason_;
    QPushButton* ok_;
    QPushButton* cancel_;
    bool finished_ = false;
};

} // namespace dcload::ui
