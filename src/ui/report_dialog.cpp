#include "ui/report_dialog.h"

#include <cmath>
#include <memory>

#include <QComboBox>
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
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <QThread>
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

QPushButton* button(const char* caption, const char* name)
{
    auto* b = named(new QPushButton(caption), name, caption);
    b->setAutoDefault(false); // Enter in a field never opens a file chooser
    return b;
}

constexpr double kLoggedTemperature = -41; // the temperature box's "logged" value

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
    lblFile_->setWordWrap(true);
    auto* choose = button("Choose File...", "cmdChooseFile");
    comTest_ = named(new QComboBox, "comTest", "Test in the file");
    fileRow->addWidget(lblFile_, 1);
    fileRow->addWidget(choose);
    fileRow->addWidget(comTest_);
    layout->addLayout(fileRow);

    lblVerdict_ = named(new QLabel, "lblVerdict", "Result");
    lblVerdict_->setStyleSheet("font-size: 14pt; font-weight: bold; padding: 2px;"); // over the window's sheet
    lblVerdict_->setAlignment(Qt::AlignCenter);
    lblVerdict_->setWordWrap(true);
    layout->addWidget(lblVerdict_);

    auto* buttons = new QHBoxLayout;
    cmdPdf_ = button("Save PDF...", "cmdSavePdf");
    auto* csv = button("Export CSV...", "cmdExportCsv");
    auto* image = button("Save Chart Image...", "cmdSaveChartImage");
    image->setEnabled(mainChart_ != nullptr);
    auto* close = button("Close", "cmdClose");
    // A plain row: a button box would set its own Tab order among the buttons.
    for (QPushButton* b : {cmdPdf_, csv, image})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    close->setDefault(true);
    layout->addLayout(buttons);
    lblStatus_ = named(new QLabel, "lblReportStatus", "");
    lblStatus_->setWordWrap(true);
    lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblStatus_);

    // The entries and the figures scroll, so the dialog fits a small screen.
    auto* scroll = named(new QScrollArea, "scrReport", "Entries and results");
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* inner = new QWidget;
    auto* innerLayout = new QVBoxLayout(inner);
    auto* form = new QFormLayout;
    auto line = [&](QLineEdit*& field, const char* name, const QString& label) {
        field = named(new QLineEdit, name, label);
        form->addRow(label, field);
        connect(field, &QLineEdit::textChanged, this, &ReportDialog::recompute);
    };
    txtIdentifier_ = named(new QLineEdit, "txtIdentifier", "String or battery identifier");
    form->addRow("String or battery identifier", txtIdentifier_);
    connect(txtIdentifier_, &QLineEdit::editingFinished, this, &ReportDialog::identifierChanged);
    line(txtSite_, "txtSite", "Site or battery");
    line(txtMake_, "txtMake", "Battery make");
    line(txtModel_, "txtModel", "Battery model");
    line(txtType_, "txtType", "Battery type");
    line(txtOperator_, "txtOperator", "Operator");
    line(txtWitness_, "txtWitness", "Witness");
    spinCells_ = named(new QSpinBox, "spinCells", "Number of cells");
    spinCells_->setRange(1, 1000);
    comRating_ = named(new QComboBox, "comRating", "Rating");
    comRating_->addItems({"No rating", "Rated capacity (Ah)", "Rated time (min)"});
    spinRated_ = numberBox("spinRated", "Rated value", 0, 100000, 1);
    spinHourRate_ = numberBox("spinHourRate", "Hour rate", 0, 1000, 1);
    spinHourRate_->setSpecialValueText("not given");
    spinHourRate_->setSuffix(" h");
    spinEndVolts_ = numberBox("spinEndVolts", "End voltage per cell", 0.001, 100, 3);
    spinEndVolts_->setSuffix(" V");
    comMethod_ = named(new QComboBox, "comMethod", "Temperature correction");
    comMethod_->addItems({"K typed by hand", "IEEE 450/1188 time-adjusted (Kt)", "IEC 60896 (lambda)"});
    spinK_ = numberBox("spinK", "Temperature correction factor", 0.1, 10, 3);
    spinTemp_ = numberBox("spinTemp", "Battery temperature at the start", kLoggedTemperature, 80, 1);
    spinTemp_->setSpecialValueText("the logged one");
    spinTemp_->setSuffix(" \u00B0C");
    spinPass_ = numberBox("spinPass", "Pass threshold", 0, 1000, 1);
    spinPass_->setSuffix(" %");
    spinOnLoad_ = numberBox("spinOnLoad", "On load from", 1, 90, 0);
    spinOnLoad_->setSuffix(" % of the test current");
    auto* ratingRow = new QHBoxLayout;
    ratingRow->addWidget(comRating_);
    ratingRow->addWidget(spinRated_, 1);
    ratingRow->addWidget(spinHourRate_);
    form->addRow("Number of cells", spinCells_);
    form->addRow("Rating, hour rate", ratingRow);
    form->addRow("End voltage per cell", spinEndVolts_);
    form->addRow("Temperature correction", comMethod_);
    form->addRow("Correction factor K", spinK_);
    form->addRow("Battery temperature", spinTemp_);
    form->addRow("Pass threshold", spinPass_);
    form->addRow("On load from", spinOnLoad_);
    innerLayout->addLayout(form);

    tblResults_ = named(new QTableWidget(0, 2), "tblResults", "Results");
    tblResults_->setHorizontalHeaderLabels({"Result", "Value"});
    tblResults_->verticalHeader()->hide();
    tblResults_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tblResults_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tblResults_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblResults_->setTabKeyNavigation(false); // one Tab stop; the arrow keys move inside
    tblResults_->setWordWrap(true);
    tblResults_->verticalHeader()->setDefaultSectionSize(tblResults_->fontMetrics().height() + 6);
    tblResults_->setMinimumHeight(260);
    innerLayout->addWidget(tblResults_, 1);
    scroll->setWidget(inner);
    layout->addWidget(scroll, 1);

    connect(choose, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Choose Result File", folder_, "Result files (*.txt);;All files (*)");
        if (!path.isEmpty())
            setFile(path);
    });
    connect(cmdPdf_, &QPushButton::clicked, this, &ReportDialog::savePdf);
    connect(csv, &QPushButton::clicked, this, &ReportDialog::exportCsv);
    connect(image, &QPushButton::clicked, this, &ReportDialog::saveChartImage);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(comTest_, &QComboBox::currentIndexChanged, this, &ReportDialog::recompute);
    connect(spinCells_, &QSpinBox::valueChanged, this, &ReportDialog::recompute);
    connect(comRating_, &QComboBox::currentIndexChanged, this, &ReportDialog::recompute);
    connect(comMethod_, &QComboBox::currentIndexChanged, this, &ReportDialog::recompute);
    for (QDoubleSpinBox* box : {spinRated_, spinHourRate_, spinEndVolts_, spinK_, spinTemp_, spinPass_, spinOnLoad_})
        connect(box, &QDoubleSpinBox::valueChanged, this, &ReportDialog::recompute);

    // A running test keeps logging: the figures follow its file as it grows.
    auto* follow = new QTimer(this);
    connect(follow, &QTimer::timeout, this, [this] {
        if (QFileInfo(input_.fileName).size() != fileSize_)
            recompute();
    });
    follow->start(5000);

    // Tab: the file and test, the actions, then the entries top to bottom and the table.
    const QList<QWidget*> order{comTest_,    choose,      cmdPdf_,      csv,          image,        close,
                                txtIdentifier_, txtSite_, txtMake_,     txtModel_,    txtType_,     txtOperator_,
                                txtWitness_, spinCells_,  comRating_,   spinRated_,   spinHourRate_, spinEndVolts_,
                                comMethod_,  spinK_,      spinTemp_,    spinPass_,    spinOnLoad_,  tblResults_};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    resize(560, 580);
    showEntries(saved);
    input_.fileName = runFile;
    setFile(runFile);
    comTest_->setFocus();
}

void ReportDialog::showEntries(const report::BatteryTest& t)
{
    showing_ = true;
    txtIdentifier_->setText(QString::fromStdString(t.identifier));
    shownIdentifier_ = txtIdentifier_->text();
    txtSite_->setText(QString::fromStdString(t.site));
    txtMake_->setText(QString::fromStdString(t.make));
    txtModel_->setText(QString::fromStdString(t.model));
    txtType_->setText(QString::fromStdString(t.type));
    txtOperator_->setText(QString::fromStdString(t.operatorName));
    txtWitness_->setText(QString::fromStdString(t.witness));
    spinCells_->setValue(t.cells);
    comRating_->setCurrentIndex(static_cast<int>(t.rating));
    spinRated_->setValue(t.rated);
    spinHourRate_->setValue(t.hourRate);
    spinEndVolts_->setValue(t.endCellVolts);
    comMethod_->setCurrentIndex(static_cast<int>(t.method));
    spinK_->setValue(t.k);
    spinTemp_->setValue(std::isnan(t.batteryCelsius) ? kLoggedTemperature : t.batteryCelsius);
    spinPass_->setValue(t.passPercent);
    spinOnLoad_->setValue(t.onLoadPercent);
    showing_ = false;
}

report::BatteryTest ReportDialog::entered() const
{
    report::BatteryTest t;
    t.identifier = txtIdentifier_->text().toStdString();
    t.site = txtSite_->text().toStdString();
    t.make = txtMake_->text().toStdString();
    t.model = txtModel_->text().toStdString();
    t.type = txtType_->text().toStdString();
    t.operatorName = txtOperator_->text().toStdString();
    t.witness = txtWitness_->text().toStdString();
    t.cells = spinCells_->value();
    t.rating = static_cast<report::Rating>(comRating_->currentIndex());
    t.rated = spinRated_->value();
    t.hourRate = spinHourRate_->value();
    t.endCellVolts = spinEndVolts_->value();
    t.method = static_cast<report::TempMethod>(comMethod_->currentIndex());
    t.k = spinK_->value();
    t.batteryCelsius = spinTemp_->value() <= kLoggedTemperature ? NAN : spinTemp_->value();
    t.passPercent = spinPass_->value();
    t.onLoadPercent = spinOnLoad_->value();
    return t;
}

// Another battery: its own entries, or the defaults, never the previous battery's unseen.
void ReportDialog::identifierChanged()
{
    if (txtIdentifier_->text() == shownIdentifier_)
        return;
    showEntries(report::loadSettings(QDir(folder_).filePath("Report.ini").toStdString(), txtIdentifier_->text().toStdString()));
    recompute();
}

void ReportDialog::setFile(const QString& path)
{
    input_.fileName = path;
    lblFile_->setText(QDir::toNativeSeparators(path));
    lblFile_->setAccessibleName(lblFile_->text());
    comTest_->blockSignals(true);
    comTest_->setCurrentIndex(0);
    comTest_->blockSignals(false);
    recompute();
}

void ReportDialog::setStatus(const QString& text)
{
    lblStatus_->setText(text);
    lblStatus_->setAccessibleName(text);
}

// The file is read afresh each time, so a running test's report shows its latest readings.
void ReportDialog::recompute()
{
    if (showing_)
        return;
    const report::BatteryTest test = entered();
    spinRated_->setEnabled(test.rating != report::Rating::None);
    spinK_->setEnabled(test.method == report::TempMethod::ByHand);
    const std::string settings = report::settingsText(test);
    if (settings != savedSettings_ && report::checkTest(test).empty() &&
        report::saveSettings(QDir(folder_).filePath("Report.ini").toStdString(), test).ok())
        savedSettings_ = settings;

    QString readError;
    input_ = reportInputFor(input_.fileName, test, std::max(0, comTest_->currentIndex()), &readError);
    fileSize_ = QFileInfo(input_.fileName).size();
    const report::RunFigures& run = input_.run;
    // The picker: "Last complete test", then each test of the file.
    if (comTest_->count() != run.testCount + 1) {
        const int keep = comTest_->currentIndex();
        comTest_->blockSignals(true);
        comTest_->clear();
        comTest_->addItem("Last complete test");
        for (int i = 1; i <= run.testCount; ++i)
            comTest_->addItem(QString("Test %1 of %2").arg(i).arg(run.testCount));
        comTest_->setCurrentIndex(std::clamp(keep, 0, run.testCount));
        comTest_->blockSignals(false);
    }
    comTest_->setAccessibleName(comTest_->currentText());

    QString verdict = QString::fromStdString(report::verdictText(run.verdict));
    if (run.capacityPercent)
        verdict += ": " + QString::fromStdString(report::capacityText(run)) + " % of rated";
    if (!run.note.empty())
        verdict += " (" + QString::fromStdString(run.note) + ")";
    verdict += QString("  -  test %1 of %2 in the file").arg(run.testNumber).arg(run.testCount);
    if (!readError.isEmpty())
        verdict = "Cannot read the file (" + readError + ")";
    lblVerdict_->setText(verdict);
    lblVerdict_->setAccessibleName(verdict);
    const std::vector<report::ReportLine> lines = report::resultLines(run);
    tblResults_->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        auto* label = new QTableWidgetItem(QString::fromStdString(lines[static_cast<size_t>(i)].label));
        auto* value = new QTableWidgetItem(QString::fromStdString(lines[static_cast<size_t>(i)].value));
        label->setData(Qt::UserRole, QString::fromStdString(lines[static_cast<size_t>(i)].key));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setToolTip(value->text());
        tblResults_->setItem(i, 0, label);
        tblResults_->setItem(i, 1, value);
    }
}

void ReportDialog::savePdf()
{
    const QString suggested = QDir(folder_).filePath(QFileInfo(input_.fileName).completeBaseName() + "_Report.pdf");
    const QString path = QFileDialog::getSaveFileName(this, "Save PDF", suggested, "PDF files (*.pdf)");
    if (!path.isEmpty())
        savePdfTo(path);
}

// The page is painted on its own thread from a copy of the figures: the dialog stays live.
void ReportDialog::savePdfTo(const QString& path)
{
    if (pdfBusy_)
        return;
    pdfBusy_ = true;
    cmdPdf_->setEnabled(false);
    setStatus("Making the PDF...");
    auto error = std::make_shared<QString>();
    auto ok = std::make_shared<bool>(false);
    QThread* worker = QThread::create([input = input_, path, error, ok] { *ok = writeReportPdf(path, input, error.get()); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, path, error, ok] {
        pdfBusy_ = false;
        cmdPdf_->setEnabled(true);
        setStatus(*ok ? "Saved PDF: " + QDir::toNativeSeparators(path) : "PDF not saved: " + *error);
    });
    worker->start();
}

void ReportDialog::exportCsv()
{
    const QString suggested = QDir(folder_).filePath(QFileInfo(input_.fileName).completeBaseName() +
                                                     QString("_Test%1.csv").arg(input_.run.testNumber));
    const QString path = QFileDialog::getSaveFileName(this, "Export CSV", suggested, "CSV files (*.csv)");
    if (path.isEmpty())
        return;
    const FileResult r = replaceFile(path.toStdString(), report::csvText(input_.run, input_.info));
    setStatus(r.ok() ? "Saved CSV: " + QDir::toNativeSeparators(path)
                     : "CSV not saved: " + QString::fromStdString(r.reason));
}

void ReportDialog::saveChartImage()
{
    const QString path = QFileDialog::getSaveFileName(this, "Save Chart Image", QDir(folder_).filePath("Chart.png"),
                                                      "PNG images (*.png)");
    if (path.isEmpty() || !mainChart_)
        return;
    setStatus(mainChart_->savePng(path) ? "Saved chart image: " + QDir::toNativeSeparators(path) : "cannot write " + path);
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
