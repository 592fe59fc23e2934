#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Types the password (twice when the dialog asks for it), optionally picks a
// key-length entry, and presses the dialog's OK button.
std::function<void(QWidget *)> typePassword(const QString &password, int levelIndex = -1) {
    return [password, levelIndex](QWidget *w) {
        w->findChild<QLineEdit *>("passwordEdit")->setText(password);
        if (auto *confirm = w->findChild<QLineEdit *>("confirmEdit"))
            confirm->setText(password);
        if (levelIndex >= 0)
            w->findChild<QComboBox *>("encryptionCombo")->setCurrentIndex(levelIndex);
        w->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    };
}

// A small grey picture of the page, for telling pages apart.
QImage sketch(const QImage &page) {
    return page.scaled(40, 56, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_Grayscale8);
}

int difference(const QImage &a, const QImage &b) {
    int sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    return sum;
}

bool isBlank(const QImage &image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!PdfFixtures::isWhite(image.pixelColor(x, y)))
                return false;
    return true;
}

bool isA4(const QString &path, int page) {
    const QSizeF size = PdfFixtures::pdfinfoPageSize(path, page);
    return qAbs(size.width() - 595) < 2 && qAbs(size.height() - 842) < 2;
}

} // namespace

class ProtectionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void protectedSave_data();
    void protectedSave();
    void encryptionFailureLeavesNothing();
    void unwritableTargetIsReported_data();
    void unwritableTargetIsReported();
    void unlockRefusals_data();
    void unlockRefusals();
    void rightPasswordUnlocksEveryPage_data();
    void rightPasswordUnlocksEveryPage();
    void realEncryptedFiles_data();
    void realEncryptedFiles();

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

void ProtectionTest::initTestCase() {
    QVERIFY(dir.isValid());
    QVERIFY(PdfFixtures::toolAvailable("qpdf"));
    QVERIFY(PdfFixtures::writePdf(path("five.pdf"), 5));
    QVERIFY(PdfFixtures::encrypt(path("five.pdf"), path("locked256.pdf"), "user-pw", "owner-pw"));
    QVERIFY(
        PdfFixtures::encrypt(path("five.pdf"), path("locked128.pdf"), "user-pw", "owner-pw", 128));
    QFile damaged(path("damaged.pdf"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("%PDF-1.4\nnot a PDF body\n");
}

void ProtectionTest::protectedSave_data() {
    QTest::addColumn<int>("levelIndex"); // -1: the dialog's default
    QTest::addColumn<QString>("owner");  // empty: the user password is the owner's too
    QTest::addColumn<bool>("print");
    QTest::addColumn<bool>("copy");
    QTest::addColumn<bool>("modify");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("allowed");
    QTest::newRow("defaults: AES-256, printing only")
        << -1 << "" << true << false << false << "AESv3"
        << "printing";
    QTest::newRow("AES-128 with an owner password, copying and modifying")
        << 0 << "owner-secret" << false << true << true << "AESv2"
        << "copying text and images, modifying content";
    QTest::newRow("nothing granted") << -1 << "boss" << false << false << false << "AESv3"
                                     << "viewing only";
}

// The protected save encrypts the file it writes: the page content opens only
// with a password, with the chosen method and permissions.
void ProtectionTest::protectedSave() {
    QFETCH(int, levelIndex);
    QFETCH(QString, owner);
    QFETCH(bool, print);
    QFETCH(bool, copy);
    QFETCH(bool, modify);
    QFETCH(QString, method);
    QFETCH(QString, allowed);
    const int bits = method == "AESv3" ? 256 : 128;
    MainWindow window;
    for (const QString name : {"first.pdf", "gone.pdf", "third.pdf"}) {
        QVERIFY(PdfFixtures::writePdf(path(name), 1));
        window.loadPDFPages(path(name));
    }
    window.pages()[2]->setRotation(90);
    QVERIFY(QFile::remove(path("gone.pdf")));

    const QString out = path(QString("protected_%1.pdf").arg(QTest::currentDataTag()).replace(' ', '_'));
    const QString user = " s3cret ";
    DialogHelper helper;
    helper
        .custom([&](QWidget *w) {
            w->findChild<QLineEdit *>("ownerPasswordEdit")->setText(owner);
            w->findChild<QCheckBox *>("printingCheckBox")->setChecked(print);
            w->findChild<QCheckBox *>("copyingCheckBox")->setChecked(copy);
            w->findChild<QCheckBox *>("modifyingCheckBox")->setChecked(modify);
            typePassword(user, levelIndex)(w);
        })
        .file(out)
        .messageBox();
    window.findChild<QPushButton *>("lockButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"PDF Created"});
    QCOMPARE(helper.texts().value(0),
             QString::fromUtf8("✅ PDF saved to:\n%1\n\n🔒 Password Protection:\nThe PDF is "
                               "encrypted and opens only with its password.\n\nAllowed without "
                               "the owner password: %2\nEncryption: %3-bit AES")
                 .arg(out, allowed)
                 .arg(bits));
    QCOMPARE(window.statusBar()->currentMessage(), QString("PDF saved with password protection"));

    // Locked for everyone without a password, for us and for an outside reader.
    QCOMPARE(PdfFixtures::pageCount(out), -1);
    QCOMPARE(PdfFixtures::pdfinfoPages(out), -1);
    QCOMPARE(PdfFixtures::pageCount(out, user), 3);
    const QString ownerPassword = owner.isEmpty() ? user : owner;
    int code = 0;
    const QString shown =
        PdfFixtures::run("qpdf", {"--show-encryption", "--password=" + ownerPassword, out}, &code);
    QCOMPARE(code, 0);
    QVERIFY2(shown.contains("Supplied password is owner password"), qPrintable(shown));
    QVERIFY2(shown.contains("file encryption method: " + method), qPrintable(shown));
    QVERIFY(shown.contains(QString("print high resolution: %1").arg(print ? "allowed" : "not allowed")));
    QVERIFY(shown.contains(QString("extract for any purpose: %1").arg(copy ? "allowed" : "not allowed")));
    QVERIFY(shown.contains(QString("modify other: %1").arg(modify ? "allowed" : "not allowed")));
    QVERIFY(PdfFixtures::run("qpdf", {"--check", "--password=" + user, out}, &code).contains("No syntax or stream encoding errors"));

    // One A4 page per position, the missing source's blank, the turned page turned.
    const QPointF first = PdfFixtures::darkCentre(PdfFixtures::renderPage(out, 0, 0.5, user));
    QVERIFY(first.x() < 0.3 && first.y() < 0.3);
    QVERIFY(isBlank(PdfFixtures::renderPage(out, 1, 0.5, user)));
    const QImage third = PdfFixtures::renderPage(out, 2, 0.5, user);
    QVERIFY(qAbs(third.width() - 297) <= 1 && qAbs(third.height() - 421) <= 1); // A4 at 0.5
    const QPointF mark = PdfFixtures::darkCentre(third);
    QVERIFY(mark.x() > 0.7 && mark.y() < 0.3);
}

// A password the library cannot store for 128-bit files fails at the end of
// the run: reported, and neither a plain nor a half-written file is left.
void ProtectionTest::encryptionFailureLeavesNothing() {
    MainWindow window;
    window.loadPDFPages(path("five.pdf"));
    const QString out = path("turkish128.pdf");
    DialogHelper helper;
    helper.custom(typePassword(QString::fromUtf8("şifre123"), 0)).file(out).messageBox();
    window.findChild<QPushButton *>("lockButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Error"});
    QVERIFY(helper.texts().value(0).startsWith(QString("Could not write file: %1\n\n").arg(out)));
    QVERIFY(!QFile::exists(out));
    QCOMPARE(QDir(dir.path()).entryList({"turkish128*"}, QDir::Files), QStringList());
}

void ProtectionTest::unwritableTargetIsReported_data() {
    QTest::addColumn<bool>("unlock");
    QTest::newRow("protected save") << false;
    QTest::newRow("unlock") << true;
}

void ProtectionTest::unwritableTargetIsReported() {
    QFETCH(bool, unlock);
    QFile blocker(path("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString out = path("blocker/out.pdf");

    MainWindow window;
    window.loadPDFPages(path("five.pdf"));
    DialogHelper helper;
    if (unlock)
        helper.file(path("locked256.pdf")).custom(typePassword("user-pw"));
    else
        helper.custom(typePassword("abcd"));
    helper.file(out).messageBox();
    window.findChild<QPushButton *>(unlock ? "unlockButton" : "lockButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Error"});
    QVERIFY2(helper.texts().value(0).startsWith(QString("Could not write file: %1\n\n").arg(out)),
             qPrintable(helper.texts().value(0)));
}

void ProtectionTest::unlockRefusals_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password"); // empty: no password dialog may show
    QTest::addColumn<QString>("title");
    QTest::newRow("plain file") << "five.pdf"
                                << ""
                                << "Not Protected";
    QTest::newRow("damaged file") << "damaged.pdf"
                                  << "x"
                                  << "Incorrect Password";
    QTest::newRow("wrong password") << "locked256.pdf"
                                    << "owner-pw?"
                                    << "Incorrect Password";
}

void ProtectionTest::unlockRefusals() {
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(QString, title);
    MainWindow window;
    DialogHelper helper;
    helper.file(path(file));
    if (!password.isEmpty())
        helper.custom(typePassword(password));
    // A dialog beyond the box, such as a save dialog, shows up as unexpected.
    helper.messageBox();
    window.findChild<QPushButton *>("unlockButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{title});
    QVERIFY(helper.texts().value(0).startsWith(
        password.isEmpty() ? "This PDF is not password-protected or is already unlocked."
                           : "The password you entered is incorrect.\n\nNote: Qt has limited"));
}

void ProtectionTest::rightPasswordUnlocksEveryPage_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("AES-256") << 256 << false;
    QTest::newRow("128-bit") << 128 << false;
    QTest::newRow("AES-256 over its source") << 256 << true;
}

void ProtectionTest::rightPasswordUnlocksEveryPage() {
    QFETCH(int, bits);
    QFETCH(bool, inPlace);
    QString source = path(QString("locked%1.pdf").arg(bits));
    if (inPlace) {
        const QString copy = path("in-place.pdf");
        QFile::remove(copy);
        QVERIFY(QFile::copy(source, copy));
        source = copy;
    }
    const QString out = inPlace ? source : path(QString("unlocked%1.pdf").arg(bits));

    MainWindow window;
    DialogHelper helper;
    helper.file(source).custom(typePassword("user-pw")).file(out);
    if (inPlace)
        helper.messageBox(QMessageBox::Yes); // the save dialog's "replace it?"
    helper.messageBox();
    window.findChild<QPushButton *>("unlockButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles().last(), QString("Password Removed"));
    QCOMPARE(helper.texts().last(),
             QString::fromUtf8("✅ Unlocked PDF saved to:\n%1\n\nThe PDF is now unprotected and "
                               "can be opened without a password.")
                 .arg(out));
    QCOMPARE(window.statusBar()->currentMessage(), QString("PDF password removed successfully"));

    QCOMPARE(PdfFixtures::pdfinfoPages(out), 5);
    QVERIFY(PdfFixtures::run("pdfinfo", {out}).contains(QRegularExpression("Encrypted:\\s+no")));
    QVERIFY(PdfFixtures::qpdfCheckClean(out));
    QList<QImage> sources;
    for (int i = 0; i < 5; ++i)
        sources << sketch(PdfFixtures::renderPage(path("five.pdf"), i));
    for (int i = 0; i < 5; ++i) {
        QVERIFY(isA4(out, i + 1));
        const QImage written = sketch(PdfFixtures::renderPage(out, i));
        // Each written page looks like its own source page more than any other.
        for (int j = 0; j < 5; ++j)
            if (j != i)
                QVERIFY2(difference(written, sources[i]) < difference(written, sources[j]),
                         qPrintable(QString("page %1 vs %2").arg(i).arg(j)));
        QVERIFY(difference(written, sources[i]) < 12 * written.width() * written.height());
    }
}

void ProtectionTest::realEncryptedFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("pages"); // 0: opens without a password
    QTest::newRow("user password, AES-256") << "enc_user-pw_aes256_freefem_50p.pdf" << 50;
    QTest::newRow("owner password only") << "enc_owner-only_aes128_print-low_R-FAQ_52p.pdf" << 0;
}

void ProtectionTest::realEncryptedFiles() {
    QFETCH(QString, file);
    QFETCH(int, pages);
    const QString source = QDir(QUIREFOLD_CORPUS).filePath(file);
    if (!QFile::exists(source))
        QSKIP("The corpus of real documents is not here.");
    const QString out = path("real-unlocked.pdf");
    MainWindow window;
    DialogHelper helper;
    helper.file(source);
    if (pages > 0)
        helper.custom(typePassword("user")).file(out);
    helper.messageBox();
    window.findChild<QPushButton *>("unlockButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{pages > 0 ? "Password Removed" : "Not Protected"});
    if (pages > 0)
        QCOMPARE(PdfFixtures::pdfinfoPages(out), pages);
}

QTEST_MAIN(ProtectionTest)
#include "tst_protection.moc"
