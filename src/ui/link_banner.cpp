#include "ui/link_banner.h"

#include <QDesktopServices>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QUrl>

#include "ui/widget_sync.h"

namespace dcload::ui {

LinkBanner::LinkBanner(QWidget* parent) : QFrame(parent)
{
    setObjectName("linkBanner");
    setStyleSheet("#linkBanner { background: #fff4d6; border: 1px solid #e0b84c; border-radius: 6px; }");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    text_ = new QLabel(this);
    text_->setObjectName("lblLinkBanner");
    text_->setAccessibleName("Link");
    text_->setStyleSheet("font-weight: bold;");
    row->addWidget(text_, 1);
    hide();
}

void LinkBanner::mirror(const LinkPanel& panel, const QList<QWidget*>& tiles)
{
    syncReadable(text_, qs(panel.banner));
    syncVisible(this, !panel.banner.empty());
    const QString age = panel.stale ? QStringLiteral("Last reading %1 ago").arg(qs(panel.staleAge)) : QString();
    for (QWidget* tile : tiles) {
        if (panel.stale != stale_)
            tile->setGraphicsEffect(panel.stale ? new QGraphicsOpacityEffect(tile) : nullptr);
        if (auto* effect = qobject_cast<QGraphicsOpacityEffect*>(tile->graphicsEffect()))
            effect->setOpacity(0.35);
        if (tile->toolTip() != age) {
            tile->setToolTip(age);
            tile->setAccessibleDescription(age);
        }
    }
    stale_ = panel.stale;
}

RunField::RunField(const QString& folder, QWidget* parent) : QToolButton(parent)
{
    setObjectName("lblRunFile");
    setAutoRaise(true);
    setToolTip("Open the Results folder");
    connect(this, &QToolButton::clicked, this, [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    mirror({});
}

void RunField::mirror(const LinkPanel& panel)
{
    const QString text = panel.runField.empty() ? QStringLiteral("No run yet") : qs(panel.runField);
    if (this->text() != text) {
        setText(text);
        setAccessibleName(text);
        setMinimumWidth(fontMetrics().horizontalAdvance(text) + 24); // the status bar would cut it
    }
}

} // namespace dcload::ui
