#include "ui/about_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "app/form1.h"
#include "ui/widget_sync.h"

namespace dcload::ui {

QPixmap loggerIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x3a, 0x5f));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    // A falling discharge curve over a faint grid.
    p.setPen(QPen(QColor(255, 255, 255, 50), s * 0.02));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(s * 0.15, s * (0.2 + 0.15 * i)), QPointF(s * 0.85, s * (0.2 + 0.15 * i)));
    QPainterPath curve(QPointF(s * 0.15, s * 0.3));
    curve.cubicTo(QPointF(s * 0.45, s * 0.32), QPointF(s * 0.62, s * 0.4), QPointF(s * 0.85, s * 0.75));
    p.setPen(QPen(QColor(0x5c, 0xd6, 0x8f), s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    return pixmap;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmAbout");
    setWindowTitle("About MyApp");
    setModal(true);

    picIcon_ = new QLabel(this);
    picIcon_->setObjectName("picIcon");
    picIcon_->setAccessibleName("Program icon");
    picIcon_->setPixmap(loggerIcon(64));

    auto makeLabel = [this](const char* name, const char* text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    lblTitle_ = makeLabel("lblTitle", "Application Title");
    lblTitle_->setProperty("role", "dialogHeadline");
    lblVersion_ = makeLabel("lblVersion", "Version");
    lblDescription_ = makeLabel("lblDescription", "App Description");
    lblDisclaimer_ = makeLabel("lblDisclaimer", "Warning: ...");
    lblDisclaimer_->setProperty("role", "fineprint");

    cmdOK_ = new QPushButton("OK", this);
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->setAccessibleName("OK");
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(22, 20, 22, 18);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(6);
    grid->addWidget(picIcon_, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblTitle_, 0, 1);
    grid->addWidget(lblVersion_, 1, 1);
    grid->addWidget(lblDescription_, 2, 1);
    grid->addWidget(lblDisclaimer_, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    grid->addLayout(buttons, 4, 0, 1, 2);
    setMinimumWidth(420);
}

void AboutDialog::fill(const AboutState& about)
{
    syncWindowTitle(this, qs(about.caption));
    setAccessibleName(windowTitle());
    for (auto [label, text] : {std::pair{lblTitle_, &about.lblTitle}, {lblVersion_, &about.lblVersion},
                               {lblDescription_, &about.lblDescription},
                               {lblDisclaimer_, &about.lblDisclaimer}}) {
        syncText(label, qs(*text));
        label->setAccessibleName(label->text());
    }
}

} // namespace dcload::ui
