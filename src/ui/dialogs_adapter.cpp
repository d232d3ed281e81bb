#include "ui/dialogs_adapter.h"

#include <algorithm>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "app/form1.h"
#include "ui/about_dialog.h"
#include "ui/file_dialog.h"
#include "ui/logger_app.h"
#include "ui/main_window.h"
#include "ui/pause_dialog.h"
#include "ui/widget_sync.h"

namespace dcload::ui {

namespace {

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Runs a dialog modally and deletes it afterwards, unless something deleted it meanwhile.
template <class D>
void runModal(D* dialog, std::vector<D*>& open)
{
    QPointer<D> guard(dialog);
    open.push_back(dialog);
    if (!dialog->finished())
        dialog->exec();
    open.erase(std::remove(open.begin(), open.end(), dialog), open.end());
    delete guard.data();
}

} // namespace

// A window opened from inside another modal one (a message box over the file dialog) is
// centred on that one.
QWidget* DialogsAdapter::owner() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return &app_.window();
}

Answer DialogsAdapter::messageBox(const std::string& text, const std::string& title, Icon icon,
                                  Buttons buttons, DefaultButton def)
{
    app_.mirror();   // the window behind the box shows the state that led to it

    QMessageBox::StandardButton first = QMessageBox::Ok;
    QMessageBox::StandardButton second = QMessageBox::NoButton;
    if (buttons == Buttons::OKCancel)
        second = QMessageBox::Cancel;
    if (buttons == Buttons::YesNo) {
        first = QMessageBox::Yes;
        second = QMessageBox::No;
    }

    QPointer<QMessageBox> box = new QMessageBox(owner());
    box->setObjectName("MessageBox");
    box->setWindowTitle(qs(title));
    box->setText(qs(text));
    box->setTextFormat(Qt::PlainText);
    box->setIcon(toQt(icon));
    box->setStandardButtons(first | second);
    box->setDefaultButton(def == DefaultButton::Second && second != QMessageBox::NoButton ? second : first);
    box->setEscapeButton(second != QMessageBox::NoButton ? second : first);
    box->setAccessibleName(box->windowTitle());
    const int result = box->exec();
    delete box.data();

    switch (result) {
    case QMessageBox::Ok: return Answer::OK;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: break;
    }
    return buttons == Buttons::OK ? Answer::OK : buttons == Buttons::OKCancel ? Answer::Cancel : Answer::No;
}

// Modeless: polling and the display go on behind it. One at a time: a further message while it
// is up is added to it instead of stacking boxes.
void DialogsAdapter::notice(const std::string& text, const std::string& title, Icon icon)
{
    if (auto* open = qobject_cast<QMessageBox*>(notice_.data())) {
        if (!open->text().contains(qs(text)))
            open->setText(open->text() + "\n\n" + qs(text));
        return;
    }
    auto* box = new QMessageBox(toQt(icon), qs(title), qs(text), QMessageBox::Ok, &app_.window());
    box->setObjectName("MessageBox");
    box->setTextFormat(Qt::PlainText);
    box->setAccessibleName(box->windowTitle());
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    notice_ = box;
    box->show();
}

// The box still open now tells the problem is over; a closed one is not brought back.
void DialogsAdapter::updateNotice(const std::string& text, Icon icon)
{
    if (auto* open = qobject_cast<QMessageBox*>(notice_.data())) {
        open->setIcon(toQt(icon));
        open->setText(qs(text));
    }
}

// A long copy: the file dialog's bar moves and the window repaints; clicks wait until it is
// done, ticks and socket events go on (nested, as under a box).
void DialogsAdapter::progress(double, double)
{
    app_.mirror();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void DialogsAdapter::showPauseDialog()
{
    auto* dialog = new PauseDialog(owner());
    dialog->onPause = [this] { app_.handle([this] { app_.form().dialogOkClick(); }); };
    dialog->onFinish = [this] { app_.handle([this] { app_.form().dialogCancelClick(); }); };
    dialog->onClosedByUser = [this] { app_.handle([this] { app_.form().dialogClosedByUser(); }); };
    dialog->setReason(qs(app_.form().pauseDialog.reason));
    app_.mirror();
    runModal(dialog, pause_);
}

void DialogsAdapter::closePauseDialog()
{
    if (!pause_.empty())
        pause_.back()->finish();
}

void DialogsAdapter::showFileDialog()
{
    auto* dialog = new FileDialog(owner());
    dialog->onFolderChange = [this](const std::string& folder) {
        app_.handle([this, folder] { app_.form().form2FolderChange(folder); });
    };
    dialog->onFileClick = [this](const std::string& name) {
        app_.handle([this, name] { app_.form().form2FileClick(name); });
    };
    dialog->onNameEdit = [this](const std::string& name) { app_.form().form2.txtExport = name; };
    dialog->onOk = [this] { app_.handle([this] { app_.form().form2OkClick(); }); };
    file_.push_back(dialog);
    app_.handle([this] { app_.form().form2Activate(); });   // mirrors the new window too
    file_.pop_back();
    runModal(dialog, file_);
}

void DialogsAdapter::closeFileDialog()
{
    if (!file_.empty())
        file_.back()->finish();
}

void DialogsAdapter::showAbout()
{
    QPointer<AboutDialog> dialog = new AboutDialog(owner());
    app_.handle([this] { app_.form().frmAboutLoad(); });
    dialog->fill(app_.form().about);
    about_ = dialog;
    dialog->exec();
    about_ = nullptr;
    delete dialog.data();
}

void DialogsAdapter::mirror(const Form1& form)
{
    for (FileDialog* dialog : file_)
        dialog->mirror(form.form2);
}

} // namespace dcload::ui
