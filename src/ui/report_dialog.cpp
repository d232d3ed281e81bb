#include "ui/report_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "qcustomplot.h"
#include "results/file_io.h"
#include "ui/logger_app.h"
#include "ui/widget_sync.h"

namespace dcload::ui {

namespace {

QDoubleSpinBox* numberBox(const char* name, const QString& label, double lo, double hi, int decimals)
{
    auto* box = named(new QDoubleSpinBox, name, label);
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setSingleStep(decimals >= 3 ? 0.01 : 1);
    return box;
}

} // namespace

ReportDialog::ReportDialog(const QString& resultsFolder, const QString& runFile, QCustomPlot* mainChart,
                           QWidget* parent)
    : QDialog(parent), folder_(resultsFolder), mainChart_(mainChart)
{
    setObjectName("frmTestReport");
    setWindowTitle("Test Report");
    const report::BatteryTest saved = report::loadSettings(QDir(folder_).filePath("Report.ini").toStdString());
    savedSettings_ = report::settingsText(saved);

    auto* layout = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    lblFile_ = named(new QLabel, "lblReportFile", "Result file");
    lblFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* choose = named(new QPushButton("Choose File..."), "cmdChooseFile", "Choose File...");
    fileRow->addWidget(lblFile_, 1);
    fileRow->addWidget(choose);
    layout->addLayout(fileRow);

    auto* form = new QFormLayout;
    txtSite_ = named(new QLineEdit(QString::fromStdString(saved.site)), "txtSite", "Site or battery");
    spinCells_ = named(new QSpinBox, "spinCells", "Number of cells");
    spinCells_->setRange(1, 1000);
    spinCells_->setValue(saved.cells);
    comRating_ = named(new QComboBox, "comRating", "Rating");
    comRating_->addItems({"No rating", "Rated capacity (Ah)", "Rated time (min)"});
    comRating_->setCurrentIndex(static_cast<int>(saved.rating));
    spinRated_ = numberBox("spinRated", "Rated value", 0, 100000, 1);
    spinRated_->setValue(saved.rated);
    spinEndVolts_ = numberBox("spinEndVolts", "End voltage per cell", 0.001, 100, 3);
    spinEndVolts_->setValue(saved.endCellVolts);
    spinEndVolts_->setSuffix(" V");
    spinK_ = numberBox("spinK", "Temperature correction factor", 0.1, 10, 3);
    spinK_->setValue(saved.k);
    spinPass_ = numberBox("spinPass", "Pass threshold", 0, 1000, 1);
    spinPass_->setValue(saved.passPercent);
    spinPass_->setSuffix(" %");
    auto* ratingRow = new QHBoxLayout;
    ratingRow->addWidget(comRating_);
    ratingRow->addWidget(spinRated_, 1);
    form->addRow("Site or battery", txtSite_);
    form->addRow("Number of cells", spinCells_);
    form->addRow("Rating at the test rate", ratingRow);
    form->addRow("End voltage per cell", spinEndVolts_);
    form->addRow("Temperature correction K", spinK_);
    form->addRow("Pass threshold", spinPass_);
    layout->addLayout(form);

    lblVerdict_ = named(new QLabel, "lblVerdict", "Result");
    lblVerdict_->setStyleSheet("font-size: 15pt; font-weight: bold; padding: 4px;"); // over the window's sheet
    lblVerdict_->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblVerdict_);

    tblResults_ = named(new QTableWidget(0, 2), "tblResults", "Results");
    tblResults_->setHorizontalHeaderLabels({"Result", "Value"});
    tblResults_->verticalHeader()->hide();
    tblResults_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tblResults_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tblResults_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblResults_->verticalHeader()->setDefaultSectionSize(tblResults_->fontMetrics().height() + 6);
    tblResults_->setMinimumHeight(300);
    layout->addWidget(tblResults_, 1);

    auto* buttons = new QDialogButtonBox;
    auto* pdf = named(buttons->addButton("Save PDF...", QDialogButtonBox::ActionRole), "cmdSavePdf", "Save PDF...");
    auto* image = named(buttons->addButton("Save Chart Image...", QDialogButtonBox::ActionRole), "cmdSaveChartImage",
                        "Save Chart Image...");
    image->setEnabled(mainChart_ != nullptr);
    named(buttons->addButton(QDialogButtonBox::Close), "cmdClose", "Close");
    layout->addWidget(buttons);

    connect(choose, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Choose Result File", folder_, "Result files (*.txt);;All files (*)");
        if (!path.isEmpty())
            setFile(path);
    });
    connect(pdf, &QPushButton::clicked, this, &ReportDialog::savePdf);
    connect(image, &QPushButton::clicked, this, &ReportDialog::saveChartImage);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(txtSite_, &QLineEdit::textChanged, this, &ReportDialog::recompute);
    connect(spinCells_, &QSpinBox::valueChanged, this, &ReportDialog::recompute);
    connect(comRating_, &QComboBox::currentIndexChanged, this, &ReportDialog::recompute);
    for (QDoubleSpinBox* box : {spinRated_, spinEndVolts_, spinK_, spinPass_})
        connect(box, &QDoubleSpinBox::valueChanged, this, &ReportDialog::recompute);

    // A running test keeps logging: the figures follow its file as it grows.
    auto* follow = new QTimer(this);
    connect(follow, &QTimer::timeout, this, [this] {
        if (QFileInfo(input_.fileName).size() != fileSize_)
            recompute();
    });
    follow->start(5000);

    resize(520, 680);
    setFile(runFile);
}

report::BatteryTest ReportDialog::entered() const
{
    report::BatteryTest t;
    t.site = txtSite_->text().toStdString();
    t.cells = spinCells_->value();
    t.rating = static_cast<report::Rating>(comRating_->currentIndex());
    t.rated = spinRated_->value();
    t.endCellVolts = spinEndVolts_->value();
    t.k = spinK_->value();
    t.passPercent = spinPass_->value();
    return t;
}

void ReportDialog::setFile(const QString& path)
{
    input_.fileName = path;
    lblFile_->setText(QDir::toNativeSeparators(path));
    lblFile_->setAccessibleName(lblFile_->text());
    recompute();
}

// The file is read afresh each time, so a running test's report shows its latest readings.
void ReportDialog::recompute()
{
    input_.test = entered();
    spinRated_->setEnabled(input_.test.rating != report::Rating::None);
    const std::string settings = report::settingsText(input_.test);
    if (settings != savedSettings_ &&
        report::saveSettings(QDir(folder_).filePath("Report.ini").toStdString(), input_.test).ok())
        savedSettings_ = settings;

    std::string content;
    const FileResult read = readWholeFile(input_.fileName.toStdString(), content);
    fileSize_ = static_cast<qint64>(content.size());
    input_.run = report::analyseRun(read.ok() ? content : std::string(), input_.test);
    std::vector<report::ReportLine> lines = report::resultLines(input_.run);
    QString verdict = QString::fromStdString(report::verdictText(input_.run.verdict));
    if (input_.run.capacityPercent)
        verdict += QString(": %1%2 % of rated").arg(input_.run.reachedSeconds ? "" : "at least ").arg(*input_.run.capacityPercent, 0, 'f', 1);
    if (!read.ok())
        verdict = "Cannot read the file (" + QString::fromStdString(read.reason) + ")";
    lblVerdict_->setText(verdict);
    lblVerdict_->setAccessibleName(verdict);
    tblResults_->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        auto* label = new QTableWidgetItem(QString::fromStdString(lines[static_cast<size_t>(i)].label));
        auto* value = new QTableWidgetItem(QString::fromStdString(lines[static_cast<size_t>(i)].value));
        label->setData(Qt::UserRole, QString::fromStdString(lines[static_cast<size_t>(i)].key));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        tblResults_->setItem(i, 0, label);
        tblResults_->setItem(i, 1, value);
    }
}

void ReportDialog::savePdf()
{
    const QString suggested = QDir(folder_).filePath(QFileInfo(input_.fileName).completeBaseName() + "_Report.pdf");
    const QString path = QFileDialog::getSaveFileName(this, "Save PDF", suggested, "PDF files (*.pdf)");
    QString error;
    if (!path.isEmpty() && !writeReportPdf(path, input_, &error))
        QMessageBox::warning(this, "Test Report", error);
}

void ReportDialog::saveChartImage()
{
    const QString path = QFileDialog::getSaveFileName(this, "Save Chart Image", QDir(folder_).filePath("Chart.png"),
                                                      "PNG images (*.png)");
    if (!path.isEmpty() && mainChart_ && !mainChart_->savePng(path))
        QMessageBox::warning(this, "Test Report", "cannot write " + path);
}

void openTestReport(LoggerApp& app, QCustomPlot* mainChart, QWidget* parent)
{
    QString runFile;
    app.handle([&] {
        Form1& form = app.form();
        runFile = QString::fromStdString(form.resultFileName(form.getLastFileNumber()));
    });
    auto* dialog = new ReportDialog(QString::fromStdString(app.form().resultsFolder()), runFile, mainChart, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

} // namespace dcload::ui
