#include "ExportDialog.h"

#include "DialogButtons.h"
#include "Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const char *const kBrowseLook = "padding: 5px 15px; background-color: #2a2a2a; border: 1px solid "
                                "#404040; border-radius: 4px; font-size: 11px;";
const char *const kTipLook = "color: #888; font-size: 10px; padding: 5px;";

} // namespace

ExportDialog::ExportDialog(int totalPages, int selectedPages, QWidget *parent)
    : QDialog(parent)
    , totalPages(totalPages)
    , selectedPages(selectedPages)
{
    setWindowTitle("Export Pages as Images");
    setModal(true);
    resize(500, 400);
    setupUI();
}

void ExportDialog::setupUI()
{
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(15);

    auto *heading = new QLabel(QString::fromUtf8("📤 Export PDF Pages as Images"));
    heading->setStyleSheet(Theme::dialogHeading());
    layout->addWidget(heading);
    layout->addWidget(createFormatGroup());
    layout->addWidget(createPagesGroup());
    layout->addWidget(createOutputGroup());
    layout->addStretch();

    QDialogButtonBox *buttons = DialogButtons::okCancel(this, "Export");
    buttons->setObjectName("buttonBox");
    layout->addWidget(buttons);

    setStyleSheet(Theme::dialogBackground());
    qualityLabel->setVisible(true);
    qualitySpinBox->setVisible(true);
}

QWidget *ExportDialog::createFormatGroup()
{
    auto *group = new QGroupBox("Image Format");
    auto *form = new QFormLayout(group);

    formatCombo = new QComboBox;
    formatCombo->setObjectName("formatCombo");
    formatCombo->addItems(
        {"JPG (Compressed)", "PNG (Lossless)", "BMP (Uncompressed)", "TIFF (High Quality)"});
    formatCombo->setCurrentIndex(0);
    formatCombo->setStyleSheet(Theme::dialogInput());
    connect(formatCombo, &QComboBox::currentIndexChanged, this, &ExportDialog::onFormatChanged);
    form->addRow("Format:", formatCombo);

    dpiSpinBox = new QSpinBox;
    dpiSpinBox->setObjectName("dpiSpinBox");
    dpiSpinBox->setRange(72, 600);
    dpiSpinBox->setValue(150);
    dpiSpinBox->setSuffix(" DPI");
    dpiSpinBox->setToolTip("Higher DPI = Better quality but larger files");
    dpiSpinBox->setStyleSheet(Theme::dialogInput());
    form->addRow("Resolution:", dpiSpinBox);

    qualitySpinBox = new QSpinBox;
    qualitySpinBox->setObjectName("qualitySpinBox");
    qualitySpinBox->setRange(1, 100);
    qualitySpinBox->setValue(85);
    qualitySpinBox->setSuffix("%");
    qualitySpinBox->setStyleSheet(Theme::dialogInput());
    qualityLabel = new QLabel("Quality:");
    qualityLabel->setObjectName("qualityLabel");
    form->addRow(qualityLabel, qualitySpinBox);
    return group;
}

QWidget *ExportDialog::createPagesGroup()
{
    auto *group = new QGroupBox("Pages to Export");
    auto *box = new QVBoxLayout(group);
    allPagesCheckBox = new QCheckBox(QString("Export all pages (%1 pages)").arg(totalPages));
    allPagesCheckBox->setObjectName("allPagesCheckBox");
    allPagesCheckBox->setStyleSheet(Theme::applyToCheckBox());
    allPagesCheckBox->setChecked(selectedPages == 0);
    box->addWidget(allPagesCheckBox);
    if (selectedPages > 0) {
        auto *note = new QLabel(QString::fromUtf8("✓ %1 pages selected").arg(selectedPages));
        note->setObjectName("selectedPagesLabel");
        note->setStyleSheet(Theme::selectedPagesNote());
        box->addWidget(note);
    }
    return group;
}

QWidget *ExportDialog::createOutputGroup()
{
    auto *group = new QGroupBox("Output Settings");
    auto *form = new QFormLayout(group);

    auto *folderRow = new QHBoxLayout;
    outputFolderEdit =
        new QLineEdit(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    outputFolderEdit->setObjectName("outputFolderEdit");
    outputFolderEdit->setStyleSheet(Theme::dialogInput());
    browseButton = new QPushButton("Browse");
    browseButton->setObjectName("browseButton");
    browseButton->setStyleSheet(kBrowseLook);
    connect(browseButton, &QPushButton::clicked, this, &ExportDialog::onBrowseFolder);
    folderRow->addWidget(outputFolderEdit);
    folderRow->addWidget(browseButton);
    form->addRow("Output Folder:", folderRow);

    fileNamePatternEdit = new QLineEdit("page_{page}");
    fileNamePatternEdit->setObjectName("fileNamePatternEdit");
    fileNamePatternEdit->setStyleSheet(Theme::dialogInput());
    fileNamePatternEdit->setToolTip(
        QString::fromUtf8("Use {page} for page number, e.g., 'page_{page}' → page_001.jpg"));
    form->addRow("File Name:", fileNamePatternEdit);

    auto *tip = new QLabel(
        QString::fromUtf8("💡 Tip: Use {page} in filename (e.g., 'doc_{page}' → doc_001.jpg)"));
    tip->setWordWrap(true);
    tip->setStyleSheet(kTipLook);
    form->addRow("", tip);
    return group;
}

void ExportDialog::onFormatChanged(int index)
{
    const bool jpeg = index == 0;
    qualityLabel->setVisible(jpeg);
    qualitySpinBox->setVisible(jpeg);
}

void ExportDialog::onBrowseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, "Select Output Folder", outputFolderEdit->text(), QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        outputFolderEdit->setText(folder);
}

int ExportDialog::getFormat() const
{
    return formatCombo->currentIndex();
}

int ExportDialog::getDPI() const
{
    return dpiSpinBox->value();
}

int ExportDialog::getQuality() const
{
    return qualitySpinBox->value();
}

bool ExportDialog::exportAllPages() const
{
    return allPagesCheckBox->isChecked();
}

QString ExportDialog::getOutputFolder() const
{
    return outputFolderEdit->text();
}

QString ExportDialog::getFileNamePattern() const
{
    return fileNamePatternEdit->text();
}
