// The link's state on the main panel: a banner above the chart, faded reading tiles while they
// are out of date, and the status bar's run field, which opens the Results folder.
#pragma once

#include <QFrame>
#include <QList>
#include <QToolButton>

#include "link/unattended.h"

class QLabel;

namespace dcload::ui {

class LinkBanner : public QFrame {
    Q_OBJECT
public:
    explicit LinkBanner(QWidget* parent = nullptr);
    // Shows the banner and fades (or restores) the tiles.
    void mirror(const LinkPanel& panel, const QList<QWidget*>& tiles);

private:
    QLabel* text_;
    bool stale_ = false;
};

class RunField : public QToolButton {
    Q_OBJECT
public:
    RunField(const QString& folder, QWidget* parent = nullptr);
    void mirror(const LinkPanel& panel);
};

} // namespace dcload::ui
