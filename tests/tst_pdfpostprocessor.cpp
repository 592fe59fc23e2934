#include "PdfFixtures.h"
#include "PdfPostProcessor.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace PdfFixtures;
using Outline = QList<QPair<QString, int>>; // title, page from 1

class TestPdfPostProcessor : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray plain; // three A4 pages as QPdfWriter writes them

    QString save(const QByteArray &data, const QString &name) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return QString();
        return path;
    }

    static Outline qpdfOutline(const QString &path, const QString &password) {
        int code = 0;
        const QString json =
            run("qpdf", {"--json", "--json-key=outlines", "--password=" + password, path}, &code);
        Outline outline;
        for (const QJsonValue item : QJsonDocument::fromJson(json.toUtf8())["outlines"].toArray())
            outline.append({item["title"].toString(), item["destpageposfrom1"].toInt()});
        return outline;
    }

    static QString qpdfCatalog(const QString &path, const QString &password) {
        const QString pw = "--password=" + password;
        const QString trailer = run("qpdf", {"--show-object=trailer", pw, path});
        const QString root = QRegularExpression("/Root (\\d+) 0 R").match(trailer).captured(1);
        return run("qpdf", {"--show-object=" + root, pw, path});
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY2(toolAvailable("qpdf") && toolAvailable("pdfinfo"), "qpdf and pdfinfo are needed");
        QVERIFY(writePdf(dir.filePath("plain.pdf"), 3));
        QFile file(dir.filePath("plain.pdf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        plain = file.readAll();
    }

    void encryptsWithMethodAndPermissions_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("print");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("modify");
        QTest::addColumn<QString>("revision");
        QTest::addColumn<QString>("method");

        QTest::newRow("256, dialog defaults") << 256 << "user1"
                                              << "owner1" << true << false << false << "R = 6"
                                              << "AESv3";
        // An empty owner password would let anyone in with full rights.
        QTest::newRow("256, Turkish password, no owner, modifying granted")
            << 256 << QString::fromUtf8("Şifre_ğüş") << "" << true << false << true << "R = 6"
            << "AESv3";
        QTest::newRow("128, Latin-1 password, copying granted")
            << 128 << QString::fromUtf8("Müller1") << "owner1" << false << true << false << "R = 4"
            << "AESv2";
    }

    void encryptsWithMethodAndPermissions() {
        QFETCH(int, bits);
        QFETCH(QString, user);
        QFETCH(QString, owner);
        QFETCH(bool, print);
        QFETCH(bool, copy);
        QFETCH(bool, modify);
        QFETCH(QString, revision);
        QFETCH(QString, method);

        PdfPostProcessor post;
        post.setEncryption({user, owner, bits, print, copy, modify});
        QByteArray out;
        QVERIFY2(post.process(plain, &out), qPrintable(post.errorString()));
        const QString path = save(out, "locked.pdf");
        QVERIFY(!path.isEmpty());

        int code = 0;
        const QString shown = run("qpdf", {"--show-encryption", "--password=" + user, path}, &code);
        QCOMPARE(code, 0);
        const auto expect = [&shown](const QString &line) {
            QVERIFY2(shown.contains(line), qPrintable(line + " missing in:\n" + shown));
        };
        const auto allowed = [](bool on) { return on ? ": allowed" : ": not allowed"; };
        expect(revision);
        // Stored as PDFDocEncoding bytes up to 128 bits, UTF-8 above, as readers hash it.
        expect("User password = " +
               QString::fromUtf8(bits == 128 ? user.toLatin1() : user.toUtf8()));
        expect("stream encryption method: " + method);
        expect("print high resolution" + QString(allowed(print)));
        expect("extract for any purpose" + QString(allowed(copy)));
        expect("modify other" + QString(allowed(modify)));
        expect("modify document assembly" + QString(allowed(modify)));

        const QString full = owner.isEmpty() ? user : owner;
        QVERIFY(run("qpdf", {"--show-encryption", "--password=" + full, path})
                    .contains("Supplied password is owner password"));
        run("qpdf", {"--check", path}, &code);
        QVERIFY2(code != 0, "opens without a password");
        run("pdfinfo", {path}, &code);
        QVERIFY(code != 0);

        QCOMPARE(pageCount(path), -1);
        QCOMPARE(pageCount(path, user), 3);
        const QPointF mark = darkCentre(renderPage(path, 2, 0.5, user));
        QVERIFY(mark.x() > 0 && mark.x() < 0.25 && mark.y() > 0 && mark.y() < 0.25);
    }

    void writesOutlineForExistingPages_data() {
        QTest::addColumn<bool>("encrypted");
        QTest::newRow("plain") << false;
        QTest::newRow("encrypted") << true;
    }

    void writesOutlineForExistingPages() {
        QFETCH(bool, encrypted);
        const QString rapor = QString::fromUtf8("Rapor_ğüş.pdf");
        PdfPostProcessor post;
        post.setOutline({{rapor, 0}, {"b.pdf", 2}, {"beyond.pdf", 3}, {"before.pdf", -1}});
        const QString password = encrypted ? "user1" : "";
        if (encrypted)
            post.setEncryption({password, "owner1"});
        QByteArray out;
        QVERIFY2(post.process(plain, &out), qPrintable(post.errorString()));
        QCOMPARE(post.outlineEntriesWritten(), 2);
        const QString path = save(out, "outline.pdf");

        const Outline expected{{rapor, 1}, {"b.pdf", 3}};
        QCOMPARE(qpdfOutline(path, password), expected);
        QVERIFY(qpdfCatalog(path, password).contains("/PageMode /UseOutlines"));

        // The reader the program itself uses sees the same outline.
        QPdfDocument document;
        document.setPassword(password);
        document.load(path);
        QPdfBookmarkModel model;
        model.setDocument(&document);
        Outline seen;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row, 0);
            seen.append({index.data(int(QPdfBookmarkModel::Role::Title)).toString(),
                         index.data(int(QPdfBookmarkModel::Role::Page)).toInt() + 1});
        }
        QCOMPARE(seen, expected);
    }

    void failsCleanly_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("bits"); // 0: no encryption
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error");

        QTest::newRow("garbage") << "garbage" << 0 << ""
                                 << "Damaged PDF";
        QTest::newRow("empty") << "empty" << 0 << ""
                               << "Damaged PDF";
        QTest::newRow("already locked") << "locked" << 0 << ""
                                        << "password-protected";
        QTest::newRow("40-bit key") << "fixture" << 40 << "user1"
                                    << "40 bits";
        QTest::newRow("128 bits, Turkish password")
            << "fixture" << 128 << QString::fromUtf8("şifre") << "256-bit";
    }

    void failsCleanly() {
        QFETCH(QString, source);
        QFETCH(int, bits);
        QFETCH(QString, password);
        QFETCH(QString, error);

        QByteArray input = source == "garbage" ? QByteArray("this is no PDF\n") : QByteArray();
        if (source == "fixture")
            input = plain;
        if (source == "locked") {
            const QString locked = dir.filePath("already.pdf");
            QVERIFY(encrypt(dir.filePath("plain.pdf"), locked, "secret", "secret"));
            QFile file(locked);
            QVERIFY(file.open(QIODevice::ReadOnly));
            input = file.readAll();
        }

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
