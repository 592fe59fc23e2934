#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

// Asks for a password to protect a PDF, to unlock one, or to go with a merged
// file. It only collects what the user typed; it encrypts nothing.
class PasswordDialog : public QDialog
{
    Q_OBJECT

public:
    enum Mode { Set = 0, Remove = 1, Export = 2 };

    explicit PasswordDialog(Mode mode, QWidget *parent = nullptr);

    QString getPassword() const;
    // The owner password when one was given (Set only), else the password.
    QString getOwnerPassword() const;
    bool allowPrinting() const;
    bool allowCopying() const;
    bool allowModifying() const;
    // Key length in bits: 128 or 256.
    int getEncryptionLevel() const;

private:
    void setupUI();
    void addPasswordFields(class QVBoxLayout *mainLayout);
    void addPermissionsAndLevel(QVBoxLayout *mainLayout);
    void validateAndAccept();

    Mode mode;
    QLineEdit *passwordEdit = nullptr;
    QLineEdit *confirmEdit = nullptr;       // absent in Remove
    QLineEdit *ownerPasswordEdit = nullptr; // Set only
    QCheckBox *printingCheckBox = nullptr;
    QCheckBox *copyingCheckBox = nullptr;
    QCheckBox *modifyingCheckBox = nullptr;
    QComboBox *encryptionCombo = nullptr;
};
