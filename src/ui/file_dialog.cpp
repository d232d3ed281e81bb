#include "ui/file_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/form1.h"
#include "ui/widget_sync.h"

namespace dcload::ui {

namespace {
std::string utf8(const QString& s) { return s.toUtf8().toStdString(); }
} // namespace

FileDialog::FileDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("Form2");
    setWindowTitle("Save File");
    setModal(true);

    auto* folderLabel = new QLabel("Folder", this);
    folderLabel->setObjectName("lblFolder");
    dir1_ = new QLineEdit(this);
    dir1_->setObjectName("Dir1");
    dir1_->setAccessibleName("Folder");
    folderLabel->setBuddy(dir1_);
    browse_ = new QPushButton("Browse\u2026", this);
    browse_->setObjectName("cmdBrowse");
    browse_->setAccessibleName("Browse for a folder");
    browse_->setAutoDefault(false);

    file1_ = new QListWidget(this);
    file1_->setObjectName("File1");
    file1_->setAccessibleName("Result files");
    file1_->setMinimumHeight(180);

    label1_ = new QLabel("File Name", this);
    label1_->setObjectName("Label1");
    label1_->setAccessibleName(label1_->text());
    txtExport_ = new QLineEdit(this);
    txtExport_->setObjectName("txtExport");
    txtExport_->setAccessibleName("File Name");
    label1_->setBuddy(txtExport_);

    okButton_ = new QPushButton("&Save", this);
    okButton_->setObjectName("OKButton");
    okButton_->setAccessibleName("Save");
    okButton_->setDefault(true);

    label2_ = new QLabel("Progress Indicator", this);
    label2_->setObjectName("Label2");
    label2_->setAccessibleName(label2_->text());
    pB2_ = new QProgressBar(this);
    pB2_->setObjectName("pB2");
    pB2_->setAccessibleName("Progress Indicator");
    pB2_->setTextVisible(false);
    pB2_->setRange(0, 10);
    pB2_->setValue(0);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(18, 16, 18, 16);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->addWidget(folderLabel, 0, 0);
    grid->addWidget(dir1_, 0, 1);
    grid->addWidget(browse_, 0, 2);
    grid->addWidget(file1_, 1, 0, 1, 3);
    grid->addWidget(label1_, 2, 0);
    grid->addWidget(txtExport_, 2, 1);
    grid->addWidget(okButton_, 2, 2);
    grid->addWidget(label2_, 3, 0);
    grid->addWidget(pB2_, 3, 1, 1, 2);
    setMinimumSize(520, 380);

    dir1_->installEventFilter(this);
    connect(browse_, &QPushButton::clicked, this, &FileDialog::browse);
    connect(dir1_, &QLineEdit::editingFinished, this, &FileDialog::folderEdited);
    connect(file1_, &QListWidget::itemClicked, this, &FileDialog::fileClicked);
    connect(file1_, &QListWidget::itemDoubleClicked, this, &FileDialog::fileClicked);
    // Arrow keys move through the list like clicks do; mouse clicks arrive through itemClicked.
    connect(file1_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!mirroring_ && item && QApplication::mouseButtons() == Qt::NoButton)
            fileClicked(item);
    });
    connect(txtExport_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onNameEdit)
            onNameEdit(utf8(text));
    });
    connect(okButton_, &QPushButton::clicked, this, [this] {
        if (onOk)
            onOk();
    });
}

void FileDialog::mirror(const Form2State& state)
{
    mirroring_ = true;
    const QSignalBlocker blockList(file1_);
    syncWindowTitle(this, qs(state.caption));
    setAccessibleName(windowTitle());
    syncText(okButton_, qs(state.okCaption));
    okButton_->setAccessibleName(okButton_->text().remove('&'));
    if (!dir1_->hasFocus() || !dir1_->isModified())
        syncText(dir1_, qs(state.folder));

    QStringList names;
    names.reserve(static_cast<int>(state.files.size()));
    for (const auto& f : state.files)
        names << qs(f);
    QStringList shown;
    for (int i = 0; i < file1_->count(); ++i)
        shown << file1_->item(i)->text();
    if (shown != names) {
        const QString current = file1_->currentItem() ? file1_->currentItem()->text() : QString();
        file1_->clear();
        file1_->addItems(names);
        const auto kept = file1_->findItems(current, Qt::MatchExactly);
        if (!kept.isEmpty())
            file1_->setCurrentItem(kept.first());
    }

    syncText(txtExport_, qs(state.txtExport));
    syncProgress(pB2_, state.pB2);
    syncPointer(this, state.pointer, busy_);
    mirroring_ = false;
}

void FileDialog::finish()
{
    if (finished_)
        return;
    finished_ = true;
    done(QDialog::Accepted);
}

void FileDialog::reject()
{
    finished_ = true;
    QDialog::reject();
}

bool FileDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the folder box changes the folder; it must not press the Save / Read button.
    if (watched == dir1_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            folderEdited();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FileDialog::browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, "Folder", dir1_->text());
    if (chosen.isEmpty())
        return;
    dir1_->setText(chosen);
    dir1_->setModified(false);
    if (onFolderChange)
        onFolderChange(utf8(chosen));
}

void FileDialog::folderEdited()
{
    if (!dir1_->isModified())
        return;
    dir1_->setModified(false);
    if (onFolderChange)
        onFolderChange(utf8(dir1_->text().trimmed()));
}

void FileDialog::fileClicked(QListWidgetItem* item)
{
    if (item && onFileClick)
        onFileClick(utf8(item->text()));
}

} // namespace dcload::ui
