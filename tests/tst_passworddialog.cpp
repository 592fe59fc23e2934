#include "DialogHelper.h"
#include "PasswordDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(PasswordDialog::Mode)

class TestPasswordDialog : public QObject
{
    Q_OBJECT

private:
    static void type(PasswordDialog &dialog, const char *name, const QString &text)
    {
        if (auto *edit = dialog.findChild<QLineEdit *>(name))
            edit->setText(text);
    }
    static QPushButton *okButton(PasswordDialog &dialog)
    {
        return dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok);
    }

private slots:
    void validation_data();
    void validation();
    void widgetsAndDefaults_data();
    void widgetsAndDefaults();
    void ownerPasswordFallsBackToPassword();
    void cancelRejectsSilently();
};

void TestPasswordDialog::validation_data()
{
    QTest::addColumn<PasswordDialog::Mode>("mode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("warning"); // empty: accepted

    const PasswordDialog::Mode set = PasswordDialog::Set;
    QTest::newRow("empty before mismatch") << set << ""
                                           << ""
                                           << "Empty Password";
    QTest::newRow("empty with confirmation") << set << ""
                                             << "abcd"
                                             << "Empty Password";
    QTest::newRow("mismatch") << set << "abcd"
                              << "abce"
                              << "Password Mismatch";
    QTest::newRow("mismatch by case") << set << "abcd"
                                      << "ABCD"
                                      << "Password Mismatch";
    QTest::newRow("mismatch before weak") << set << "abc"
                                          << "ab"
                                          << "Password Mismatch";
    QTest::newRow("three characters weak") << set << "abc"
                                           << "abc"
                                           << "Weak Password";
    QTest::newRow("four characters") << set << "abcd"
                                     << "abcd"
                                     << "";
    QTest::newRow("four spaces") << set << "    "
                                 << "    "
                                 << "";
    QTest::newRow("export weak") << PasswordDialog::Export << "ab"
                                 << "ab"
                                 << "Weak Password";
    QTest::newRow("export ok") << PasswordDialog::Export << "secret"
                               << "secret"
                               << "";
    QTest::newRow("remove empty") << PasswordDialog::Remove << ""
                                  << ""
                                  << "Empty Password";
    QTest::newRow("remove one character") << PasswordDialog::Remove << "x"
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
    type(dialog, "passwordEdit", password);
    type(dialog, "confirmEdit", confirmation);
    DialogHelper helper;
    if (!warning.isEmpty())
        helper.messageBox();
    okButton(dialog)->click();

    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    if (warning.isEmpty()) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getPassword(), password); // as typed, untrimmed
        return;
    }
    QCOMPARE(helper.titles(), QStringList{warning});
    // A refused input stays in the open dialog as typed.
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.getPassword(), password);
}

void TestPasswordDialog::widgetsAndDefaults_data()
{
    QTest::addColumn<PasswordDialog::Mode>("mode");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("okText");
    QTest::addColumn<bool>("hasConfirm");
    QTest::addColumn<bool>("hasOwner");
    QTest::addColumn<int>("level");

    QTest::newRow("set") << PasswordDialog::Set << QString::fromUtf8("🔒 Set PDF Password")
                         << "Set Password" << true << true << 256;
    QTest::newRow("remove") << PasswordDialog::Remove << QString::fromUtf8("🔓 Remove PDF Password")
                            << "Remove Password" << false << false << 128;
    QTest::newRow("export") << PasswordDialog::Export << QString::fromUtf8("🔐 Export with Password")
                            << "Apply" << true << false << 256;
}

void TestPasswordDialog::widgetsAndDefaults()
{
    QFETCH(PasswordDialog::Mode, mode);
    QFETCH(QString, title);
    QFETCH(QString, okText);
    QFETCH(bool, hasConfirm);
    QFETCH(bool, hasOwner);
    QFETCH(int, level);

    PasswordDialog dialog(mode);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(okButton(dialog)->text(), okText);
    QCOMPARE(dialog.findChild<QLineEdit *>("confirmEdit") != nullptr, hasConfirm);
    QCOMPARE(dialog.findChild<QLineEdit *>("ownerPasswordEdit") != nullptr, hasOwner);
    for (QLineEdit *edit : dialog.findChildren<QLineEdit *>())
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
    // Absent permission boxes read as printing allowed, the rest refused.
    QVERIFY(dialog.allowPrinting());
    QVERIFY(!dialog.allowCopying());
    QVERIFY(!dialog.allowModifying());
    QCOMPARE(dialog.getEncryptionLevel(), level);

    if (auto *combo = dialog.findChild<QComboBox *>("encryptionCombo")) {
        combo->setCurrentIndex(0);
        QCOMPARE(dialog.getEncryptionLevel(), 128);
        dialog.findChild<QCheckBox *>("printingCheckBox")->setChecked(false);
        dialog.findChild<QCheckBox *>("copyingCheckBox")->setChecked(true);
        QVERIFY(!dialog.allowPrinting());
        QVERIFY(dialog.allowCopying());
    }
}

void TestPasswordDialog::ownerPasswordFallsBackToPassword()
{
    PasswordDialog set(PasswordDialog::Set);
    type(set, "passwordEdit", "user");
    QCOMPARE(set.getOwnerPassword(), QString("user"));
    type(set, "ownerPasswordEdit", "owner");
    QCOMPARE(set.getOwnerPassword(), QString("owner"));

    PasswordDialog exported(PasswordDialog::Export);
    type(exported, "passwordEdit", " pw ");
    QCOMPARE(exported.getOwnerPassword(), QString(" pw "));
}

void TestPasswordDialog::cancelRejectsSilently()
{
    PasswordDialog dialog(PasswordDialog::Set);
    DialogHelper helper;
    helper.reject();
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QVERIFY(helper.titles().isEmpty());
}

QTEST_MAIN(TestPasswordDialog)
#include "tst_passworddialog.moc"
