// frmAbout: the program's title, version, description and legal notice.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace dcload {
struct AboutState;
}

namespace dcload::ui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    void fill(const AboutState& about);   // captions as the logger loaded them

private:
    QLabel* picIcon_;
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblDescription_;
    QLabel* lblDisclaimer_;
    QPushButton* cmdOK_;
};

// The instrument icon, drawn so that no image file has to travel with the program.
QPixmap loggerIcon(int size);

} // namespace dcload::ui
