#include "PasswordDialog.h"

#include "Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char *const kSubHeadingLook = "color: #888; font-size: 12px; padding: 0 10px;";
const char *const kFieldLook = "padding: 8px; font-size: 12px;";
const char *const kPermissionLook = "font-size: 12px;";
const char *const kLevelLook = "padding: 6px; font-size: 12px;";
const char *const kTipLook = "background-color: #1e3a5f; color: #90caf9; padding: 10px; "
                             "border-radius: 4px; font-size: 11px;";
const char *const kOkLook = "QPushButton {    background-color: #1976d2;    color: white;    "
                            "padding: 8px 20px;    border-radius: 4px;    font-weight: 600; }"
                            "QPushButton:hover {    background-color: #1565c0; }";

QLineEdit *passwordField(const QString &placeholder, const char *objectName)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(objectName);
    edit->setEchoMode(QLineEdit::Password);
    edit->setPlaceholderText(placeholder);
    edit->setStyleSheet(kFieldLook);
    return edit;
}

QCheckBox *permissionBox(const QString &text, bool checked, const char *objectName)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(objectName);
    box->setChecked(checked);
    box->setStyleSheet(kPermissionLook);
    return box;
}

} // namespace

PasswordDialog::PasswordDialog(Mode mode, QWidget *parent)
    : QDialog(parent)
    , mode(mode)
{
    setModal(true);
    resize(480, 400);
    switch (mode) {
    case Set:
        setWindowTitle(QString::fromUtf8("🔒 Set PDF Password"));
        break;
    case Remove:
        setWindowTitle(QString::fromUtf8("🔓 Remove PDF Password"));
        break;
    case Export:
        setWindowTitle(QString::fromUtf8("🔐 Export with Password"));
        break;
    }
    setupUI();
}

void PasswordDialog::setupUI()
{
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setSpacing(15);

    QString heading;
    QString subHeading;
    switch (mode) {
    case Set:
        heading = QString::fromUtf8("🔒 Protect PDF with Password");
        subHeading = "Set a password to encrypt and protect your PDF";
        break;
    case Remove:
        heading = QString::fromUtf8("🔓 Remove Password Protection");
        subHeading = "Enter the current password to unlock the PDF";
        break;
    case Export:
        heading = QString::fromUtf8("🔐 Password Protection");
        subHeading = "Optionally protect the exported/merged PDF";
        break;
    }
    auto *headingLabel = new QLabel(heading);
    headingLabel->setObjectName("headingLabel");
    headingLabel->setStyleSheet(Theme::dialogHeading());
    mainLayout->addWidget(headingLabel);
    auto *subHeadingLabel = new QLabel(subHeading);
    subHeadingLabel->setObjectName("subHeadingLabel");
    subHeadingLabel->setWordWrap(true);
    subHeadingLabel->setStyleSheet(kSubHeadingLook);
    mainLayout->addWidget(subHeadingLabel);

    addPasswordFields(mainLayout);
    if (mode != Remove)
        addPermissionsAndLevel(mainLayout);
    mainLayout->addStretch();

    if (mode != Remove) {
        auto *tip = new QLabel(QString::fromUtf8(
            "💡 Tip: Use a strong password (8+ characters, mix of letters, numbers, symbols)"));
        tip->setObjectName("tipLabel");
        tip->setWordWrap(true);
        tip->setStyleSheet(kTipLook);
        mainLayout->addWidget(tip);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName("buttonBox");
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(mode == Remove ? "Remove Password" : mode == Export ? "Apply" : "Set Password");
    ok->setStyleSheet(kOkLook);
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordDialog::validateAndAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    mainLayout->addWidget(buttons);
}

void PasswordDialog::addPasswordFields(QVBoxLayout *mainLayout)
{
    auto *group = new QGroupBox("Password Settings");
    auto *form = new QFormLayout(group);
    form->setSpacing(12);
    passwordEdit = passwordField("Enter password...", "passwordEdit");
    form->addRow(mode == Remove ? "Current Password:" : "User Password:", passwordEdit);
    if (mode != Remove) {
        confirmEdit = passwordField("Re-enter password...", "confirmEdit");
        form->addRow("Confirm Password:", confirmEdit);
    }
    if (mode == Set) {
        ownerPasswordEdit = passwordField("Optional - for full permissions", "ownerPasswordEdit");
        form->addRow("Owner Password:", ownerPasswordEdit);
    }
    mainLayout->addWidget(group);
}

void PasswordDialog::addPermissionsAndLevel(QVBoxLayout *mainLayout)
{
    auto *permissions = new QGroupBox("Permissions");
    auto *permissionLayout = new QVBoxLayout(permissions);
    permissionLayout->setSpacing(8);
    printingCheckBox = permissionBox("Allow printing", true, "printingCheckBox");
    copyingCheckBox = permissionBox("Allow copying text and images", false, "copyingCheckBox");
    modifyingCheckBox = permissionBox("Allow modifying content", false, "modifyingCheckBox");
    permissionLayout->addWidget(printingCheckBox);
    permissionLayout->addWidget(copyingCheckBox);
    permissionLayout->addWidget(modifyingCheckBox);
    mainLayout->addWidget(permissions);

    auto *level = new QGroupBox("Encryption Level");
    auto *levelLayout = new QHBoxLayout(level);
    encryptionCombo = new QComboBox;
    encryptionCombo->setObjectName("encryptionCombo");
    encryptionCombo->addItem(QString::fromUtf8("🔒 Standard (128-bit)"), 128);
    encryptionCombo->addItem(QString::fromUtf8("🔒🔒 Strong (256-bit AES)"), 256);
    encryptionCombo->setCurrentIndex(1);
    encryptionCombo->setStyleSheet(kLevelLook);
    levelLayout->addWidget(encryptionCombo);
    mainLayout->addWidget(level);
}

void PasswordDialog::validateAndAccept()
{
    const QString password = passwordEdit->text();
    if (password.isEmpty()) {
        QMessageBox::warning(this, "Empty Password", "Please enter a password.");
        return;
    }
    if (mode == Remove) {
        accept();
        return;
    }
    if (confirmEdit && confirmEdit->text() != password) {
        QMessageBox::warning(this, "Password Mismatch",
                             "Passwords do not match. Please try again.");
        return;
    }
    if (password.length() < 4) {
        QMessageBox::warning(this, "Weak Password",
                             "Password should be at least 4 characters long.");
        return;
    }
    accept();
}

QString PasswordDialog::getPassword() const
{
    return passwordEdit->text();
}

QString PasswordDialog::getOwnerPassword() const
{
    if (ownerPasswordEdit && !ownerPasswordEdit->text().isEmpty())
        return ownerPasswordEdit->text();
    return passwordEdit->text();
}

bool PasswordDialog::allowPrinting() const
{
    return printingCheckBox ? printingCheckBox->isChecked() : true;
}

bool PasswordDialog::allowCopying() const
{
    return copyingCheckBox ? copyingCheckBox->isChecked() : false;
}

bool PasswordDialog::allowModifying() const
{
    return modifyingCheckBox ? modifyingCheckBox->isChecked() : false;
}

int PasswordDialog::getEncryptionLevel() const
{
    return encryptionCombo ? encryptionCombo->currentData().toInt() : 128;
}
