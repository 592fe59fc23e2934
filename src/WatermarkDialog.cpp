#include "WatermarkDialog.h"

#include "DialogButtons.h"
#include "PageStamper.h"
#include "Theme.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char *const kTitleLook = "font-size: 16px; font-weight: 700; color: #1976d2; padding: 8px;";
const char *const kTextLook = "padding: 8px; font-size: 12px;";
const char *const kPreviewLook =
    "background-color: white; border: 1px solid #ccc; border-radius: 4px;";
const char *const kColorButtonLook = "QPushButton {    background-color: rgb(%1, %2, %3);    "
                                     "color: %4;    padding: 8px;    border-radius: 4px;    "
                                     "font-weight: 600; }";

QSpinBox *makeSpin(int minimum, int maximum, int value, const QString &suffix, const char *name)
{
    auto *spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setSuffix(suffix);
    spin->setStyleSheet(Theme::dialogInput());
    return spin;
}

} // namespace

WatermarkDialog::WatermarkDialog(int totalPages, int selectedPages, QWidget *parent)
    : QDialog(parent)
    , totalPages(totalPages)
    , selectedPages(selectedPages)
{
    setWindowTitle("Add Watermark");
    setModal(true);
    resize(720, 420);
    setupUI();
}

void WatermarkDialog::setupUI()
{
    setStyleSheet(Theme::dialogBackground());
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setSpacing(12);

    auto *title = new QLabel(QString::fromUtf8("💧 Add Watermark to PDF Pages"));
    title->setStyleSheet(kTitleLook);
    mainLayout->addWidget(title);

    auto *columns = new QHBoxLayout;
    columns->setSpacing(15);
    auto *left = new QVBoxLayout;
    left->setSpacing(10);
    left->addWidget(createTextGroup());
    left->addWidget(createAppearanceGroup());
    left->addWidget(createPositionGroup());
    auto *right = new QVBoxLayout;
    right->setSpacing(10);
    right->addWidget(createPreviewGroup());
    right->addWidget(createApplyToGroup());
    right->addStretch();
    columns->addLayout(left);
    columns->addLayout(right);
    mainLayout->addLayout(columns);

    mainLayout->addWidget(DialogButtons::okCancel(this, "Apply Watermark"));

    connect(textEdit, &QLineEdit::textChanged, this, &WatermarkDialog::updatePreview);
    connect(fontCombo, &QFontComboBox::currentFontChanged, this, &WatermarkDialog::updatePreview);
    for (QSpinBox *spin : {fontSizeSpin, opacitySpin, rotationSpin})
        connect(spin, &QSpinBox::valueChanged, this, &WatermarkDialog::updatePreview);
    connect(positionCombo, &QComboBox::currentIndexChanged, this, &WatermarkDialog::updatePreview);
    connect(colorButton, &QPushButton::clicked, this, &WatermarkDialog::onColorPicker);
    updatePreview();
}

QWidget *WatermarkDialog::createTextGroup()
{
    auto *group = new QGroupBox("Watermark Text");
    auto *form = new QFormLayout(group);
    textEdit = new QLineEdit("CONFIDENTIAL");
    textEdit->setObjectName("textEdit");
    textEdit->setPlaceholderText("Enter watermark text...");
    textEdit->setStyleSheet(kTextLook);
    form->addRow("Text:", textEdit);
    return group;
}

QWidget *WatermarkDialog::createAppearanceGroup()
{
    auto *group = new QGroupBox("Appearance");
    auto *form = new QFormLayout(group);

    fontCombo = new QFontComboBox;
    fontCombo->setObjectName("fontCombo");
    fontCombo->setCurrentFont(QFont("Arial"));
    fontCombo->setStyleSheet(Theme::dialogInput());
    form->addRow("Font:", fontCombo);

    fontSizeSpin = makeSpin(10, 200, 48, " pt", "fontSizeSpin");
    form->addRow("Font Size:", fontSizeSpin);

    auto *colorRow = new QHBoxLayout;
    colorButton = new QPushButton("Choose Color");
    colorButton->setObjectName("colorButton");
    applyColorLook();
    colorRow->addWidget(colorButton);
    colorRow->addStretch();
    form->addRow("Color:", colorRow);

    opacitySpin = makeSpin(10, 100, 30, "%", "opacitySpin");
    opacitySpin->setToolTip("Lower opacity = More transparent");
    form->addRow("Opacity:", opacitySpin);

    rotationSpin = makeSpin(-90, 90, 45, QString::fromUtf8("°"), "rotationSpin");
    form->addRow("Rotation:", rotationSpin);
    return group;
}

QWidget *WatermarkDialog::createPositionGroup()
{
    auto *group = new QGroupBox("Position");
    auto *form = new QFormLayout(group);
    positionCombo = new QComboBox;
    positionCombo->setObjectName("positionCombo");
    positionCombo->addItems({"Top Left", "Top Center", "Top Right", "Middle Left", "Center",
                             "Middle Right", "Bottom Left", "Bottom Center", "Bottom Right"});
    positionCombo->setCurrentIndex(4);
    positionCombo->setStyleSheet(Theme::dialogInput());
    form->addRow("Position:", positionCombo);
    return group;
}

QWidget *WatermarkDialog::createPreviewGroup()
{
    auto *group = new QGroupBox("Preview");
    auto *layout = new QVBoxLayout(group);
    previewLabel = new QLabel;
    previewLabel->setObjectName("previewLabel");
    previewLabel->setFixedSize(320, 200);
    previewLabel->setAlignment(Qt::AlignCenter);
    previewLabel->setStyleSheet(kPreviewLook);
    layout->addWidget(previewLabel, 0, Qt::AlignCenter);
    return group;
}

QWidget *WatermarkDialog::createApplyToGroup()
{
    auto *group = new QGroupBox("Apply To");
    auto *layout = new QVBoxLayout(group);
    allPagesCheck = new QCheckBox(QString("All pages (%1 pages)").arg(totalPages));
    allPagesCheck->setObjectName("allPagesCheck");
    allPagesCheck->setStyleSheet(Theme::applyToCheckBox());
    allPagesCheck->setChecked(selectedPages == 0);
    layout->addWidget(allPagesCheck);
    if (selectedPages > 0) {
        auto *note = new QLabel(QString::fromUtf8("✓ %1 pages selected").arg(selectedPages));
        note->setObjectName("selectedPagesLabel");
        note->setStyleSheet(Theme::selectedPagesNote());
        layout->addWidget(note);
    }
    return group;
}

void WatermarkDialog::applyColorLook()
{
    colorButton->setStyleSheet(QString(kColorButtonLook)
                                   .arg(color.red())
                                   .arg(color.green())
                                   .arg(color.blue())
                                   .arg(PageStamper::buttonTextColor(color)));
}

void WatermarkDialog::onColorPicker()
{
    const QColor chosen = QColorDialog::getColor(color, this, "Choose Watermark Color");
    if (!chosen.isValid())
        return;
    color = chosen;
    applyColorLook();
    updatePreview();
}

void WatermarkDialog::updatePreview()
{
    PageStamper::Watermark mark;
    mark.text = getText();
    mark.fontFamily = getFontFamily();
    mark.fontSize = getFontSize();
    mark.color = color;
    mark.opacity = getOpacity();
    mark.rotation = getRotation();
    mark.position = getPosition();
    previewLabel->setPixmap(QPixmap::fromImage(PageStamper::watermarkPreview(mark)));
}

QString WatermarkDialog::getText() const
{
    return textEdit->text();
}

int WatermarkDialog::getPosition() const
{
    return positionCombo->currentIndex();
}

int WatermarkDialog::getOpacity() const
{
    return opacitySpin->value();
}

int WatermarkDialog::getFontSize() const
{
    return fontSizeSpin->value();
}

QString WatermarkDialog::getFontFamily() const
{
    return fontCombo->currentFont().family();
}

int WatermarkDialog::getRotation() const
{
    return rotationSpin->value();
}

bool WatermarkDialog::applyToAllPages() const
{
    return allPagesCheck->isChecked();
}
