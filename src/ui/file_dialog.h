// Form2, the Save / Read file dialog: a folder, the result files in it, a file name and the
// button that saves or reads. Every change goes to the logger; the logger's state is shown.
#pragma once

#include <functional>
#include <string>

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;

namespace dcload {
struct Form2State;
}

namespace dcload::ui {

class FileDialog : public QDialog {
    Q_OBJECT
public:
    explicit FileDialog(QWidget* parent = nullptr);

    std::function<void(const std::string&)> onFolderChange;   // Dir1 change
    std::function<void(const std::string&)> onFileClick;      // File1 click / double-click
    std::function<void(const std::string&)> onNameEdit;       // txtExport typed
    std::function<void()> onOk;

    void mirror(const Form2State& state);
    void finish();   // closed by the logger
    bool finished() const { return finished_; }

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void browse();
    void folderEdited();
    void fileClicked(QListWidgetItem* item);

    QLineEdit* dir1_;
    QPushButton* browse_;
    QListWidget* file1_;
    QLabel* label1_;
    QLineEdit* txtExport_;
    QPushButton* okButton_;
    QLabel* label2_;
    QProgressBar* pB2_;
    bool mirroring_ = false;
    bool finished_ = false;
    bool busy_ = false;
};

} // namespace dcload::ui
