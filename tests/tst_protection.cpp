#include "OutputTestSupport.h"

using namespace OutputTest;
using namespace PdfFixtures;

namespace {

// Sum of grey differences between two pages shrunk to 40 x 56.
int difference(const QImage &a, const QImage &b)
{
    const QImage x = a.scaled(40, 56, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage y = b.scaled(40, 56, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int sum = 0;
    for (int i = 0; i < 40 * 56; ++i)
        sum += qAbs(qGray(x.pixel(i % 40, i / 40)) - qGray(y.pixel(i % 40, i / 40)));
    return sum;
}

} // namespace

class ProtectionTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(toolAvailable("qpdf"));
        QVERIFY(writePdf(path("five.pdf"), 5));
        QVERIFY(encrypt(path("five.pdf"), path("locked256.pdf"), "user-pw", "owner-pw"));
        QVERIFY(encrypt(path("five.pdf"), path("locked128.pdf"), "user-pw", "owner-pw", 128));
        QVERIFY(writeFile(path("damaged.pdf"), "%PDF-1.4\nnot a PDF body\n"));
        QVERIFY(writeFile(path("blocker"), "")); // a file where a folder is expected
    }

    void protectedSave_data()
    {
        QTest::addColumn<QString>("owner");  // empty: the user password is the owner's too
        QTest::addColumn<int>("levelIndex"); // -1: the dialog's default, 0: 128 bits
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("allowed"); // as the message lists them; empty: must fail
        auto row = [](const char *name, const QString &owner, int level, const QString &user,
                      const char *out, const char *allowed) {
            QTest::newRow(name) << owner << level << user << QString(out) << QString(allowed);
        };
        row("defaults", "", -1, " s3cret ", "defaults.pdf", "printing");
        row("128 bits", "owner-secret", 0, " s3cret ", "128.pdf",
            "copying text and images, modifying content");
        row("nothing granted", "boss", -1, " s3cret ", "none.pdf", "viewing only");
        row("unwritable target", "", -1, "abcd", "blocker/out.pdf", "");
        // The library cannot store this password for 128 bits; that shows only at the end.
        row("128 bits, Turkish password", "", 0, QString::fromUtf8("şifre123"), "turkish128.pdf",
            "");
    }

    // Three tiles, the middle one's source deleted, the last one turned.
    void protectedSave()
    {
        QFETCH(QString, owner);
        QFETCH(int, levelIndex);
        QFETCH(QString, user);
        QFETCH(QString, out);
        QFETCH(QString, allowed);
        const bool print = allowed.contains("printing"), copy = allowed.contains("copying"),
                   modify = allowed.contains("modifying");
        Workspace ws;
        for (const QString name : {"first.pdf", "gone.pdf", "third.pdf"})
            ws.load(name, 1);
        ws.page(2).rotation = 90;
        QVERIFY(QFile::remove(ws.path("gone.pdf")));

        const QFileInfo target(ws.path(out));
        out = target.filePath();
        ws.prompter << PdfPostProcessor::EncryptionOptions{user,
                                                           owner.isEmpty() ? user : owner,
                                                           levelIndex == 0 ? 128 : 256,
                                                           print,
                                                           copy,
                                                           modify}
                    << out;
        RUN_COMMAND(ws, "lock");
        if (allowed.isEmpty()) {
            QCOMPARE(ws.prompter.titles(), QStringList{"Error"});
            QVERIFY(ws.prompter.texts().value(0).startsWith("Could not write file: " + out));
            // Neither the target nor a temporary file beside it.
            QCOMPARE(QDir(target.path()).entryList({target.completeBaseName() + "*"}, QDir::Files),
                     QStringList());
            return;
        }
        QCOMPARE(ws.prompter.titles(), QStringList{"PDF Created"});
        QCOMPARE(ws.prompter.texts().value(0),
                 QString::fromUtf8("✅ PDF saved to:\n%1\n\n🔒 Password Protection:\nThe PDF is "
                                   "encrypted and opens only with its password.\n\nAllowed without "
                                   "the owner password: %2\nEncryption: %3-bit AES")
                     .arg(out, allowed)
                     .arg(levelIndex == 0 ? 128 : 256));

        // Locked without a password, for us and for an outside reader.
        QCOMPARE(pageCount(out), -1);
        QCOMPARE(pdfinfoPages(out), -1);
        const QString shown = run(
            "qpdf", {"--show-encryption", "--password=" + (owner.isEmpty() ? user : owner), out});
        QVERIFY2(shown.contains("Supplied password is owner password") &&
                     shown.contains(levelIndex == 0 ? "method: AESv2" : "method: AESv3"),
                 qPrintable(shown));
        for (const auto &[right, on] : {std::pair{"print high resolution", print},
                                        {"extract for any purpose", copy},
                                        {"modify other", modify}})
            QVERIFY(shown.contains(right + QString(on ? ": allowed" : ": not allowed")));

        // One A4 page per tile: the missing source's blank, the turned one's mark top right.
        QCOMPARE(pageCount(out, user), 3);
        QList<QPointF> marks;
        for (int i = 0; i < 3; ++i) {
            const QImage page = renderPage(out, i, 0.5, user);
            QVERIFY(qAbs(page.width() - 297) <= 1 && qAbs(page.height() - 421) <= 1);
            marks << darkCentre(page);
        }
        QVERIFY(marks[0].x() < 0.3 && marks[0].y() < 0.3);
        QCOMPARE(marks[1], QPointF(-1, -1));
        QVERIFY(marks[2].x() > 0.7 && marks[2].y() < 0.3);
    }

    void unlock_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password"); // empty: no password dialog may show
        QTest::addColumn<QString>("out");      // empty: no save dialog may show
        QTest::addColumn<QString>("title");
        auto row = [](const char *name, const QString &file, const char *password, const char *out,
                      const char *title) {
            QTest::newRow(name) << file << QString(password) << QString(out) << QString(title);
        };
        row("plain file", "five.pdf", "", "", "Not Protected");
        row("real file, owner password only",
            QDir(QUIREFOLD_CORPUS).filePath("enc_owner-only_aes128_print-low_R-FAQ_52p.pdf"), "",
            "", "Not Protected");
        row("damaged file", "damaged.pdf", "x", "", "Incorrect Password");
        row("wrong password", "locked256.pdf", "owner-pw?", "", "Incorrect Password");
        row("unwritable target", "locked256.pdf", "user-pw", "blocker/out.pdf", "Error");
        row("AES-256", "locked256.pdf", "user-pw", "open256.pdf", "Password Removed");
        row("128-bit", "locked128.pdf", "user-pw", "open128.pdf", "Password Removed");
        row("AES-256 over its source", "in-place.pdf", "user-pw", "in-place.pdf",
            "Password Removed");
    }

    void unlock()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(QString, out);
        QFETCH(QString, title);
        file = QDir(dir.path()).filePath(file); // absolute paths stay as they are
        if (file == path(out)) {
            QFile::remove(file);
            QVERIFY(QFile::copy(path("locked256.pdf"), file));
        }
        if (!QFile::exists(file))
            QSKIP("The corpus of real documents is not here.");
        Workspace ws;
        ws.prompter << file;
        if (!password.isEmpty())
            ws.prompter << typed(password);
        if (!out.isEmpty())
            ws.prompter << (out = path(out));
        RUN_COMMAND(ws, "unlock");
        QCOMPARE(ws.prompter.titles().last(), title);
        if (title == "Error")
            QVERIFY(ws.prompter.texts().last().startsWith("Could not write file: " + out));
        if (title != "Password Removed")
            return;

        QVERIFY(run("pdfinfo", {out}).contains(QRegularExpression("Encrypted:\\s+no")));
        QCOMPARE(pdfinfoPages(out), 5);
        QList<QImage> sources;
        for (int i = 0; i < 5; ++i)
            sources << renderPage(path("five.pdf"), i);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(pdfinfoPageSize(out, i + 1).toSize(), QSize(595, 842));
            // Close to its own source page, and closer to it than to any other.
            const QImage written = renderPage(out, i);
            const int own = difference(written, sources[i]);
            QVERIFY(own < 12 * 40 * 56);
            for (int j = 0; j < 5; ++j)
                QVERIFY(j == i || own < difference(written, sources[j]));
        }
    }
};

QTEST_MAIN(ProtectionTest)
#include "tst_protection.moc"
