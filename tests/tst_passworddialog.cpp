#include "DialogHelper.h"
#include "PasswordDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(PasswordDialog::Mode)

class TestPasswordDialog : public QObject
{
    Q_OBJECT

private slots:
    void validation_data()
    {
        QTest::addColumn<PasswordDialog::Mode>("mode");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("warning"); // empty: accepted
        auto row = [](const char *name, PasswordDialog::Mode mode, const QString &password,
                      const QString &confirmation, const QString &warning) {
            QTest::newRow(name) << mode << password << confirmation << warning;
        };
        const auto set = PasswordDialog::Set, remove = PasswordDialog::Remove;
        row("empty before mismatch", set, "", "abcd", "Empty Password");
        row("mismatch by case, before weak", set, "abc", "ABC", "Password Mismatch");
        row("three characters", set, "abc", "abc", "Weak Password");
        row("four characters", set, "abcd", "abcd", "");
        row("four spaces, kept as typed", set, "    ", "    ", "");
        row("export weak", PasswordDialog::Export, "ab", "ab", "Weak Password");
        row("remove empty", remove, "", "", "Empty Password");
        row("remove one character", remove, "x", "", "");
    }
    void validation()
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
};

QTEST_MAIN(TestPasswordDialog)
#include "tst_passworddialog.moc"
