#include "PdfFixtures.h"
#include "PdfPostProcessor.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace PdfFixtures;
using Outline = QList<QPair<QString, int>>; // title, page from 1

class TestPdfPostProcessor : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray plain; // three A4 pages as QPdfWriter writes them

    QByteArray load(const QString &name) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString save(const QByteArray &data) {
        QFile file(dir.filePath("out.pdf"));
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() ? file.fileName()
                                                                                  : QString();
    }

private slots:
    void initTestCase() {
        QVERIFY2(toolAvailable("qpdf") && toolAvailable("pdfinfo"), "qpdf and pdfinfo are needed");
        QVERIFY(writePdf(dir.filePath("plain.pdf"), 3));
        plain = load("plain.pdf");
        QVERIFY(!plain.isEmpty());
    }

    void encryptsWithMethodAndPermissions_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("print");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("modify");
        QTest::newRow("256, dialog defaults") << 256 << "user1"
                                              << "owner1" << true << false << false;
        // An empty owner password would let anyone in with full rights.
        QTest::newRow("256, Turkish password, no owner, modifying")
            << 256 << QString::fromUtf8("Şifre_ğüş") << "" << true << false << true;
        QTest::newRow("128, Latin-1 password, copying")
            << 128 << QString::fromUtf8("Müller1") << "owner1" << false << true << false;
    }

    void encryptsWithMethodAndPermissions() {
        QFETCH(int, bits);
        QFETCH(QString, user);
        QFETCH(QString, owner);
        QFETCH(bool, print);
        QFETCH(bool, copy);
        QFETCH(bool, modify);
        PdfPostProcessor post;
        post.setEncryption({user, owner, bits, print, copy, modify});
        QByteArray out;
        QVERIFY2(post.process(plain, &out), qPrintable(post.errorString()));
        const QString path = save(out);

        int code = 0;
        const QString shown = run("qpdf", {"--show-encryption", "--password=" + user, path}, &code);
        QCOMPARE(code, 0);
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
        run("pdfinfo", {path}, &code);
        QVERIFY(code != 0);
        QCOMPARE(pageCount(path), -1);
        QCOMPARE(pageCount(path, user), 3);
        const QPointF mark = darkCentre(renderPage(path, 2, 0.5, user));
        QVERIFY(mark.x() > 0 && mark.x() < 0.25 && mark.y() > 0 && mark.y() < 0.25);
    }

    void writesOutlineForExistingPages() {
        // Encrypted, so titles must survive string encryption too.
        const QString rapor = QString::fromUtf8("Rapor_ğüş.pdf");
        PdfPostProcessor post;
        post.setOutline({{rapor, 0}, {"b.pdf", 2}, {"beyond.pdf", 3}, {"before.pdf", -1}});
        post.setEncryption({"user1", "owner1"});
        QByteArray out;
        QVERIFY2(post.process(plain, &out), qPrintable(post.errorString()));
        QCOMPARE(post.outlineEntriesWritten(), 2);
        const QString path = save(out);

        const QString pw = "--password=user1";
        Outline outline;
        const QString json = run("qpdf", {"--json", "--json-key=outlines", pw, path});
        for (const QJsonValue item : QJsonDocument::fromJson(json.toUtf8())["outlines"].toArray())
            outline.append({item["title"].toString(), item["destpageposfrom1"].toInt()});
        QCOMPARE(outline, Outline({{rapor, 1}, {"b.pdf", 3}}));

        const QString trailer = run("qpdf", {"--show-object=trailer", pw, path});
        const QString root = QRegularExpression("/Root (\\d+) 0 R").match(trailer).captured(1);
        QVERIFY(run("qpdf", {"--show-object=" + root, pw, path}).contains("/UseOutlines"));
    }

    void failsCleanly_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("bits"); // 0: no encryption
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error");
        QVERIFY(encrypt(dir.filePath("plain.pdf"), dir.filePath("locked.pdf"), "pw12", "pw12"));

        QTest::newRow("garbage") << QByteArray("no PDF\n") << 0 << ""
                                 << "Damaged PDF";
        QTest::newRow("empty") << QByteArray() << 0 << ""
                               << "Damaged PDF";
        QTest::newRow("already locked") << load("locked.pdf") << 0 << ""
                                        << "password-protected";
        QTest::newRow("40-bit key") << plain << 40 << "user1"
                                    << "40 bits";
        QTest::newRow("128 bits, Turkish password")
            << plain << 128 << QString::fromUtf8("şifre") << "256-bit";
    }

    void failsCleanly() {
        QFETCH(QByteArray, input);
        QFETCH(int, bits);
        QFETCH(QString, password);
        QFETCH(QString, error);
        PdfPostProcessor post;
        post.setOutline({{"a.pdf", 0}});
        if (bits != 0)
            post.setEncryption({password, password, bits});
        QByteArray out("untouched");
        QVERIFY(!post.process(input, &out));
        QVERIFY2(post.errorString().contains(error), qPrintable(post.errorString()));
        QCOMPARE(out, QByteArray("untouched"));
        QCOMPARE(post.outlineEntriesWritten(), 0);
    }
};

QTEST_MAIN(TestPdfPostProcessor)
#include "tst_pdfpostprocessor.moc"
