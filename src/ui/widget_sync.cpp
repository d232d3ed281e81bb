#include "ui/widget_sync.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVariant>

namespace dcload::ui {

void syncVisible(QWidget* w, bool visible)
{
    if (w->isHidden() == visible)
        w->setVisible(visible);
}

void syncPointer(QWidget* w, Pointer pointer, bool& busy)
{
    const bool want = pointer == Pointer::Busy;
    if (want == busy)
        return;
    busy = want;
    if (want)
        w->setCursor(Qt::WaitCursor);
    else
        w->unsetCursor();
}

void syncTitle(QGroupBox* w, const QString& title)
{
    if (w->title() != title)
        w->setTitle(title);
}

void syncWindowTitle(QWidget* w, const QString& title)
{
    if (w->windowTitle() != title)
        w->setWindowTitle(title);
}

void syncBack(QLabel* w, const Rgb& back)
{
    const int packed = (back.r << 16) | (back.g << 8) | back.b;
    const QVariant shown = w->property("backRgb");
    if (shown.isValid() && shown.toInt() == packed)
        return;
    w->setProperty("backRgb", packed);
    // On a dark back the text turns light; on a light one it keeps the window's colour for it.
    const int luma = (299 * back.r + 587 * back.g + 114 * back.b) / 1000;
    QString sheet = QStringLiteral("background-color: %1;").arg(QColor(back.r, back.g, back.b).name());
    if (luma < 140)
        sheet += QStringLiteral(" color: #f2f4f7;");
    w->setStyleSheet(sheet);
}

void syncReadable(QLabel* w, const QString& text)
{
    syncText(w, text);
    QVariant prefix = w->property("readablePrefix");
    if (!prefix.isValid()) {
        prefix = w->accessibleName();
        w->setProperty("readablePrefix", prefix);
    }
    const QString name = text.isEmpty() || text == prefix.toString() ? prefix.toString() : prefix.toString() + " " + text;
    if (w->accessibleName() != name)
        w->setAccessibleName(name);
}

void syncLabel(QLabel* w, const Label& label)
{
    syncReadable(w, qs(label.caption));
    syncBack(w, label.back);
    syncVisible(w, label.visible);
}

void announce(QLabel* w, const QString& text)
{
    if (w->text() == text)
        return;
    syncReadable(w, text);   // the new accessible name goes out as a name change
    if (text.isEmpty())
        return;
    QAccessibleEvent alert(w, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QString withMnemonic(const QString& caption, QChar key)
{
    QString text = caption;
    text.replace('&', "&&");
    const qsizetype at = text.indexOf(key);
    if (at >= 0)
        text.insert(at, '&');
    return text;
}

QString plainCaption(QString text)
{
    static const QChar kept(0xE000);   // a private-use mark for a literal "&&"
    text.replace("&&", kept);
    text.remove('&');
    return text.replace(kept, '&');
}

void syncProgress(QProgressBar* w, const ProgressBar& bar)
{
    const int max = std::max(bar.max, 1);   // 0..0 would turn the bar into a busy animation
    if (w->minimum() != 0 || w->maximum() != max)
        w->setRange(0, max);
    const int value = std::clamp(bar.value, 0, max);
    if (w->value() != value)
        w->setValue(value);
}

} // namespace dcload::ui
