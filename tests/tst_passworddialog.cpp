#include "DialogHelper.h"
#include "PasswordDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(PasswordDialog::Mode)

class TestPasswordDialog : public QObject
{
    Q_OBJECT

private slots:
    void validation_data();
    void validation();
    void widgetsAndDefaults_data();
    void widgetsAndDefaults();
};

void TestPasswordDialog::validation_data()
{
    QTest::addColumn<PasswordDialog::Mode>("mode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("warning"); // empty: accepted
    const auto set = PasswordDialog::Set, remove = PasswordDialog::Remove;
    QTest::newRow("empty before mismatch") << set << ""
                                           << ""
                                           << "Empty Password";
    QTest::newRow("empty, confirmation typed") << set << ""
                                               << "abcd"
                                               << "Empty Password";
    QTest::newRow("mismatch by case") << set << "abcd"
                                      << "ABCD"
                                      << "Password Mismatch";
    QTest::newRow("mismatch before weak") << set << "abc"
                                          << "ab"
                                          << "Password Mismatch";
    QTest::newRow("three characters") << set << "abc"
                                      << "abc"
                                      << "Weak Password";
    QTest::newRow("four characters") << set << "abcd"
                                     << "abcd"
                                     << "";
    QTest::newRow("four spaces, kept as typed") << set << "    "
                                                << "    "
                                                << "";
    QTest::newRow("export weak") << PasswordDialog::Export << "ab"
                                 << "ab"
                                 << "Weak Password";
    QTest::newRow("remove empty") << remove << ""
                                  << ""
                                  << "Empty Password";
    QTest::newRow("remove one character") << remove << "x"
                                          << ""
                                          << "";
}

void TestPasswordDialog::validation()
{
    QFETCH(PasswordDialog::Mode, mode);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, warning);
    PasswordDialog dialog(mode);
    dialog.open();
    dialog.findChild<QLineEdit *>("passwordEdit")->setText(password);
    if (auto *confirm = dialog.findChild<QLineEdit *>("confirmEdit"))
        confirm->setText(confirmation);
    DialogHelper helper;
    if (!warning.isEmpty())
        helper.messageBox();
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), warning.isEmpty() ? QStringList() : QStringList{warning});
    // A refused input stays in the open dialog, as typed.
    QCOMPARE(dialog.isVisible(), !warning.isEmpty());
    QCOMPARE(dialog.getPassword(), password);
}

void TestPasswordDialog::widgetsAndDefaults_data()
{
    QTest::addColumn<PasswordDialog::Mode>("mode");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<int>("fields");
    QTest::addColumn<int>("level");
    QTest::newRow("set") << PasswordDialog::Set << QString::fromUtf8("🔒 Set PDF Password")
                         << "Set Password" << 3 << 256;
    QTest::newRow("remove") << PasswordDialog::Remove << QString::fromUtf8("🔓 Remove PDF Password")
                            << "Remove Password" << 1 << 128;
    QTest::newRow("export") << PasswordDialog::Export << QString::fromUtf8("🔐 Export with Password")
                            << "Apply" << 2 << 256;
}

void TestPasswordDialog::widgetsAndDefaults()
{
    QFETCH(PasswordDialog::Mode, mode);
    QFETCH(QString, title);
    QFETCH(QString, ok);
    QFETCH(int, fields);
    QFETCH(int, level);
    PasswordDialog dialog(mode);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->text(), ok);
    const auto edits = dialog.findChildren<QLineEdit *>(QRegularExpression("Edit$"));
    QCOMPARE(edits.size(), fields);
    for (QLineEdit *edit : edits)
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
    // Absent boxes read as printing allowed, the rest refused, 128 bits.
    QVERIFY(dialog.allowPrinting() && !dialog.allowCopying() && !dialog.allowModifying());
    QCOMPARE(dialog.getEncryptionLevel(), level);
    if (auto *combo = dialog.findChild<QComboBox *>("encryptionCombo")) {
        combo->setCurrentIndex(0);
        QCOMPARE(dialog.getEncryptionLevel(), 128);
    }

    // Without an owner field (or with it empty) the owner password is the password.
    dialog.findChild<QLineEdit *>("passwordEdit")->setText(" user ");
    QCOMPARE(dialog.getOwnerPassword(), QString(" user "));
    if (auto *owner = dialog.findChild<QLineEdit *>("ownerPasswordEdit")) {
        owner->setText("owner");
        QCOMPARE(dialog.getOwnerPassword(), QString("owner"));
    }
}

QTEST_MAIN(TestPasswordDialog)
#include "tst_passworddialog.moc"
