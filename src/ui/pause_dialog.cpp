#include "ui/pause_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dcload::ui {

PauseDialog::PauseDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("DialogDisconnect");
    setWindowTitle("Discharge Data Logging Message!");
    setAccessibleName(windowTitle());
    setModal(true);

    label1_ = new QLabel("Discharge Data Logging Message!", this);
    label1_->setObjectName("Label1");
    label1_->setAccessibleName(label1_->text());
    label1_->setAlignment(Qt::AlignCenter);
    label1_->setProperty("role", "dialogHeadline");

    reason_ = new QLabel(this);
    reason_->setObjectName("lblReason");
    reason_->setAlignment(Qt::AlignCenter);
    reason_->hide();

    ok_ = new QPushButton("Click to PAUSE TEST", this);
    ok_->setObjectName("OKButton");
    ok_->setAccessibleName(ok_->text());
    ok_->setDefault(true);
    cancel_ = new QPushButton("Click to FINISH TEST", this);
    cancel_->setObjectName("CancelButton");
    cancel_->setAccessibleName(cancel_->text());

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(18);
    layout->addWidget(label1_);
    layout->addWidget(reason_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, [this] {
        if (onPause)
            onPause();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (onFinish)
            onFinish();
    });
}

void PauseDialog::setReason(const QString& reason)
{
    reason_->setText(reason);
    reason_->setAccessibleName(reason);
    reason_->setVisible(!reason.isEmpty());
    setAccessibleDescription(reason);
}

void PauseDialog::finish()
{
    if (finished_)
        return;
    finished_ = true;
    done(QDialog::Accepted);
}

void PauseDialog::reject()
{
    // The window's close box or Escape: the logger records "no choice" and closes it.
    if (!finished_ && onClosedByUser)
        onClosedByUser();
    if (!finished_) {
        finished_ = true;
        QDialog::reject();
    }
}

} // namespace dcload::ui
