#include "PageNumberDialog.h"

#include "DialogButtons.h"
#include "Theme.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char *const kInfoLook = "color: #888; font-size: 11px; padding: 10px; background-color: "
                              "#2a2a2a; border-radius: 4px;";

QSpinBox *makeSpin(int minimum, int maximum, int value, const char *name)
{
    auto *spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setStyleSheet(Theme::dialogInput());
    return spin;
}

QComboBox *makeCombo(const QStringList &entries, int current, const char *name)
{
    auto *combo = new QComboBox;
    combo->setObjectName(name);
    combo->addItems(entries);
    combo->setCurrentIndex(current);
    combo->setStyleSheet(Theme::dialogInput());
    return combo;
}

} // namespace

PageNumberDialog::PageNumberDialog(int totalPages, QWidget *parent)
    : QDialog(parent)
    , totalPages(totalPages)
{
    setWindowTitle("Add Page Numbers");
    setModal(true);
    resize(450, 400);
    setupUI();
}

void PageNumberDialog::setupUI()
{
    setStyleSheet(Theme::dialogBackground());
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setSpacing(15);

    auto *title = new QLabel(QString::fromUtf8("🔢 Add Page Numbers"));
    title->setStyleSheet(Theme::dialogHeading());
    mainLayout->addWidget(title);
    mainLayout->addWidget(createFormatGroup());
    mainLayout->addWidget(createPositionGroup());
    mainLayout->addWidget(createAppearanceGroup());

    auto *info = new QLabel(
        QString::fromUtf8("💡 Page numbers will be added to all %1 pages").arg(totalPages));
    info->setObjectName("infoLabel");
    info->setWordWrap(true);
    info->setStyleSheet(kInfoLook);
    mainLayout->addWidget(info);
    mainLayout->addStretch();

    mainLayout->addWidget(DialogButtons::okCancel(this, "Add Numbers"));
}

QGroupBox *PageNumberDialog::createFormatGroup()
{
    auto *formatGroup = new QGroupBox("Number Format");
    auto *formatForm = new QFormLayout(formatGroup);
    formatCombo =
        makeCombo({"Simple (1, 2, 3...)", "Page of Total (Page 1 of 10)", "Number/Total (1/10)",
                   "Roman Lower (i, ii, iii...)", "Roman Upper (I, II, III...)"},
                  0, "formatCombo");
    formatForm->addRow("Format:", formatCombo);
    startSpin = makeSpin(1, 9999, 1, "startSpin");
    startSpin->setToolTip("Starting page number");
    formatForm->addRow("Start From:", startSpin);
    return formatGroup;
}

QGroupBox *PageNumberDialog::createPositionGroup()
{
    auto *positionGroup = new QGroupBox("Position");
    auto *positionForm = new QFormLayout(positionGroup);
    positionCombo = makeCombo(
        {"Top Left", "Top Center", "Top Right", "Bottom Left", "Bottom Center", "Bottom Right"}, 4,
        "positionCombo");
    positionForm->addRow("Position:", positionCombo);
    marginSpin = makeSpin(5, 100, 20, "marginSpin");
    marginSpin->setSuffix(" px");
    marginSpin->setToolTip("Distance from edge");
    positionForm->addRow("Margin:", marginSpin);
    return positionGroup;
}

QGroupBox *PageNumberDialog::createAppearanceGroup()
{
    auto *appearanceGroup = new QGroupBox("Appearance");
    auto *appearanceForm = new QFormLayout(appearanceGroup);
    fontCombo = new QFontComboBox;
    fontCombo->setObjectName("fontCombo");
    fontCombo->setCurrentFont(QFont("Arial"));
    fontCombo->setStyleSheet(Theme::dialogInput());
    appearanceForm->addRow("Font:", fontCombo);
    fontSizeSpin = makeSpin(8, 48, 12, "fontSizeSpin");
    fontSizeSpin->setSuffix(" pt");
    appearanceForm->addRow("Font Size:", fontSizeSpin);
    return appearanceGroup;
}

int PageNumberDialog::getPosition() const
{
    return positionCombo->currentIndex();
}

int PageNumberDialog::getFormat() const
{
    return formatCombo->currentIndex();
}

int PageNumberDialog::getStartNumber() const
{
    return startSpin->value();
}

int PageNumberDialog::getFontSize() const
{
    return fontSizeSpin->value();
}

QString PageNumberDialog::getFontFamily() const
{
    return fontCombo->currentFont().family();
}

int PageNumberDialog::getMargin() const
{
    return marginSpin->value();
}
