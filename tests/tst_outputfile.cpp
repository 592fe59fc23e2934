#include "OutputFile.h"
#include "OutputTestSupport.h"

using namespace OutputTest;

class TestOutputFile : public QObject
{
    Q_OBJECT

private:
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void replacesOnlyWhenCommitted_data();
    void replacesOnlyWhenCommitted();
    void unwritableTarget();
    void finisher_data();
    void finisher();
};

void TestOutputFile::replacesOnlyWhenCommitted_data()
{
    QTest::addColumn<int>("ending"); // 0 commit, 1 cancel, 2 dropped unfinished
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("commit") << 0 << QByteArray("new");
    QTest::newRow("cancel") << 1 << QByteArray("old");
    QTest::newRow("dropped") << 2 << QByteArray("old");
}

void TestOutputFile::replacesOnlyWhenCommitted()
{
    QFETCH(int, ending);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString target = dir.filePath("t.pdf");
    write(target, "old");
    {
        OutputFile out(target);
        QVERIFY(out.open());
        out.device()->write("new");
        QCOMPARE(read(target), QByteArray("old")); // the target is untouched while writing
        if (ending == 0)
            QVERIFY(out.commit());
        else if (ending == 1)
            out.cancel();
    }
    QCOMPARE(read(target), after);
    QCOMPARE(filesIn(dir.path()), QStringList{"t.pdf"}); // no temporary left behind
}

void TestOutputFile::unwritableTarget()
{
    QTemporaryDir dir;
    const QString target = unwritablePath(dir, "t.pdf");
    OutputFile out(target);
    QVERIFY(!out.open());
    QVERIFY(!out.errorString().isEmpty());
    QVERIFY(!out.commit());
    QVERIFY(!QFileInfo::exists(target));
}

void TestOutputFile::finisher_data()
{
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("finished bytes reach the disk") << true << QByteArray("[body]");
    QTest::newRow("a failing finisher keeps the target") << false << QByteArray("old");
}

void TestOutputFile::finisher()
{
    QFETCH(bool, succeeds);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString target = dir.filePath("t.pdf");
    write(target, "old");
    OutputFile out(target);
    out.setFinisher([succeeds](const QByteArray &in, QByteArray *outBytes, QString *error) {
        *outBytes = "[" + in + "]";
        if (!succeeds)
            *error = "refused";
        return succeeds;
    });
    QVERIFY(out.open());
    out.device()->write("body");
    QCOMPARE(out.commit(), succeeds);
    QCOMPARE(read(target), after);
    if (!succeeds)
        QCOMPARE(out.errorString(), QString("refused"));
}

QTEST_MAIN(TestOutputFile)
#include "tst_outputfile.moc"
