#include "PdfFixtures.h"
#include "PdfPostProcessor.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace PdfFixtures;
using Outline = QList<QPair<QString, int>>; // title, page from 1

class TestPdfPostProcessor : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QByteArray load(const QString &name)
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(toolAvailable("qpdf"), "qpdf is needed");
        QVERIFY(writePdf(dir.filePath("plain.pdf"), 3));
        QVERIFY(encrypt(dir.filePath("plain.pdf"), dir.filePath("locked.pdf"), "pw12", "pw12"));
    }

    void process_data()
    {
        QTest::addColumn<QByteArray>("input"); // three A4 pages unless stated
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("rights"); // p: printing, c: copying, m: modifying
        QTest::addColumn<QString>("error");  // empty: must succeed
        const QByteArray plain = load("plain.pdf");
        auto row = [](const char *name, const QByteArray &input, int bits, const QString &user,
                      const char *owner, const char *rights, const char *error) {
            QTest::newRow(name) << input << bits << user << QString(owner) << QString(rights)
                                << QString(error);
        };
        row("256, dialog defaults", plain, 256, "user1", "owner1", "p", "");
        // An empty owner password would let anyone in with full rights.
        row("256, Turkish password, no owner", plain, 256, QString::fromUtf8("Şifre_ğüş"), "", "pm",
            "");
        row("128, Latin-1 password", plain, 128, QString::fromUtf8("Müller1"), "owner1", "c", "");
        row("garbage", "no PDF\n", 256, "u", "", "", "Damaged PDF");
        row("empty", QByteArray(), 256, "u", "", "", "Damaged PDF");
        row("already locked", load("locked.pdf"), 256, "u", "", "", "password-protected");
        row("40-bit key", plain, 40, "user1", "", "", "40 bits");
        row("128 bits, Turkish password", plain, 128, QString::fromUtf8("şifre"), "", "",
            "256-bit");
    }

    // Encrypts and writes an outline whose entries past either end are dropped.
    void process()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, bits);
        QFETCH(QString, user);
        QFETCH(QString, owner);
        QFETCH(QString, rights);
        QFETCH(QString, error);
        const bool print = rights.contains('p'), copy = rights.contains('c'),
                   modify = rights.contains('m');
        const QString rapor = QString::fromUtf8("Rapor_ğüş.pdf"); // a title to encrypt
        PdfPostProcessor post;
        post.setOutline({{rapor, 0}, {"b.pdf", 2}, {"beyond.pdf", 3}, {"before.pdf", -1}});
        post.setEncryption({user, owner, bits, print, copy, modify});
        QByteArray out("untouched");
        const bool done = post.process(input, &out);
        if (!error.isEmpty()) {
            QVERIFY2(!done && post.errorString().contains(error), qPrintable(post.errorString()));
            QCOMPARE(out, QByteArray("untouched"));
            QCOMPARE(post.outlineEntriesWritten(), 0);
            return;
        }
        QVERIFY2(done, qPrintable(post.errorString()));
        QCOMPARE(post.outlineEntriesWritten(), 2);
        const QString path = dir.filePath("out.pdf"), password = "--password=" + user;
        QVERIFY(writeFile(path, out));
        const QString shown = run("qpdf", {"--show-encryption", password, path});
        // Up to 128 bits readers hash the password as PDFDocEncoding bytes, above as UTF-8.
        QStringList lines{
            bits == 256 ? "R = 6" : "R = 4", bits == 256 ? "method: AESv3" : "method: AESv2",
            "User password = " + QString::fromUtf8(bits == 128 ? user.toLatin1() : user.toUtf8())};
        for (const auto &[right, on] : {std::pair{"print high resolution", print},
                                        {"extract for any purpose", copy},
                                        {"modify other", modify},
                                        {"modify document assembly", modify}})
            lines << right + QString(on ? ": allowed" : ": not allowed");
        for (const QString &line : lines)
            QVERIFY2(shown.contains(line), qPrintable(line + " missing in:\n" + shown));
        QVERIFY(run("qpdf",
                    {"--show-encryption", "--password=" + (owner.isEmpty() ? user : owner), path})
                    .contains("Supplied password is owner password"));
        QCOMPARE(pageCount(path, user), 3); // our renderer takes the same password bytes

        QCOMPARE(outline(path, user), Outline({{rapor, 1}, {"b.pdf", 3}}));
    }
};

QTEST_MAIN(TestPdfPostProcessor)
#include "tst_pdfpostprocessor.moc"
