// Small setters that copy the logger's control state onto widgets, touching a widget only
// when the value differs: mirroring runs after every event and must stay cheap.
#pragma once

#include <string>

#include <QString>

#include "app/controls.h"

class QWidget;
class QLabel;
class QLineEdit;
class QGroupBox;
class QProgressBar;
class QAbstractButton;

namespace dcload::ui {

inline QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

void syncVisible(QWidget* w, bool visible);
// Labels, line edits and buttons alike.
template <class W>
void syncText(W* w, const QString& text)
{
    if (w->text() != text)
        w->setText(text);
}
// The window's own hourglass (a message box opened meanwhile keeps its arrow); `busy` is the
// caller's memory of what it last set.
void syncPointer(QWidget* w, Pointer pointer, bool& busy);
void syncTitle(QGroupBox* w, const QString& title);
void syncWindowTitle(QWidget* w, const QString& title);
// A label that shows a value or a message: its text, and an accessible name that carries it
// (the name it was built with, then the text), since a fixed name would hide the text from a
// screen reader.
void syncReadable(QLabel* w, const QString& text);
// Caption, back colour and visibility; text on a dark back (the "waiting" look) turns light
// so that it stays readable.
void syncLabel(QLabel* w, const Label& label);
// syncReadable for a text a screen reader should speak when it changes (status, messages): the
// change is also sent as an alert.
void announce(QLabel* w, const QString& text);
// A caption with an underlined access key: an '&' before the first `key`. The caption's text is
// unchanged (QAbstractButton::text() carries the '&'; compare with plainCaption).
QString withMnemonic(const QString& caption, QChar key);
QString plainCaption(QString text);
void syncBack(QLabel* w, const Rgb& back);
void syncProgress(QProgressBar* w, const ProgressBar& bar);

// A widget found by its control name and read out by its caption.
template <class W>
W* named(W* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

} // namespace dcload::ui
