#include "PdfFixtures.h"
#include "Theme.h"

#include <QApplication>
#include <QIcon>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace PdfFixtures;

// Installs the build tree once with `cmake --install` and once as the Debian
// package that cpack writes, unpacked with dpkg-deb, and checks both trees.
class TestInstall : public QObject
{
    Q_OBJECT
    QTemporaryDir prefix, packageDir, packageRoot;
    QString deb;

private slots:
    void initTestCase()
    {
        QCOMPARE(QProcess::execute(QUIREFOLD_CMAKE,
                                   {"--install", QUIREFOLD_BUILD_DIR, "--prefix", prefix.path()}),
                 0);
        // dpkg-deb comes with every Debian system; elsewhere there is nothing to check.
        if (!toolAvailable("dpkg-deb"))
            QSKIP("Not installed: dpkg-deb");
        QCOMPARE(
            QProcess::execute(QUIREFOLD_CPACK, {"-G", "DEB", "-B", packageDir.path(), "--config",
                                                QUIREFOLD_BUILD_DIR "/CPackConfig.cmake"}),
            0);
        const QString arch = run("dpkg", {"--print-architecture"}).trimmed();
        deb = packageDir.filePath("quirefold_" QUIREFOLD_VERSION "_" + arch + ".deb");
        QCOMPARE(QProcess::execute("dpkg-deb", {"-x", deb, packageRoot.path()}), 0);
    }

    void installedTrees_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::newRow("cmake --install") << prefix.path();
        QTest::newRow("Debian package") << packageRoot.filePath("usr");
    }

    void installedTrees()
    {
        QFETCH(QString, tree);
        const QString id = QUIREFOLD_APP_ID, share = tree + "/share/";
        QVERIFY(QFileInfo(tree + "/bin/quirefold").isExecutable());
        QVERIFY(QFileInfo::exists(share + "icons/hicolor/scalable/apps/" + id + ".svg"));
        // The launcher opens no files and shows the installed icon.
        const QString desktop = share + "applications/" + id + ".desktop";
        QSettings entry(desktop, QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString(), QString("quirefold"));
        QCOMPARE(entry.value("Desktop Entry/Icon").toString(), id);
        // The window icon needs the resource and the SVG plug-ins.
        Theme::setupApplication(*qApp);
        QVERIFY(!QApplication::windowIcon().pixmap(48).isNull());

        // The tree check also finds the launcher that the metadata names.
        const QList<QStringList> validators = {{"desktop-file-validate", desktop},
                                               {"appstreamcli", "validate-tree", "--no-net", tree}};
        for (const QStringList &command : validators) {
            if (!toolAvailable(command.first()))
                QSKIP(qPrintable("Not installed: " + command.first()));
            QCOMPARE(QProcess::execute(command.first(), command.mid(1)), 0);
        }
    }

    // The libraries come from the linked ones; the plug-ins are loaded at run time.
    void packageFields_data()
    {
        QTest::addColumn<QString>("field");
        for (const char *field :
             {"Package: quirefold", "Version: " QUIREFOLD_VERSION, "Section: graphics",
              "Depends: libqt6widgets6", "Depends: qt6-image-formats-plugins",
              "Depends: libqt6svg6", "Recommends: libreoffice-writer"})
            QTest::newRow(field) << QString(field);
    }

    void packageFields()
    {
        QFETCH(QString, field);
        const QString value = run("dpkg-deb", {"-f", deb, field.section(':', 0, 0)});
        QVERIFY2(value.contains(field.section(": ", 1)), qPrintable(value));
    }

    void packageFilesBelongToRootUnderUsr()
    {
        const QString list = run("dpkg-deb", {"-c", deb});
        for (const QString &line : list.split('\n', Qt::SkipEmptyParts))
            QVERIFY2(line.contains(" root/root ") && line.contains(" ./usr/"), qPrintable(line));
        // Every Debian package carries its copyright and changelog.
        QVERIFY(list.contains(" ./usr/share/doc/quirefold/copyright\n") &&
                list.contains(" ./usr/share/doc/quirefold/changelog.gz\n"));
    }

    // Qt's painting log says when the window's contents reach the screen.
    void packagedProgramShowsItsWindow()
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "qt.widgets.painting=true");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(packageRoot.filePath("usr/bin/quirefold"));
        const QRegularExpression shown("Flushing .* of MainWindow\\(");
        QString log;
        while (!shown.match(log).hasMatch() && program.waitForReadyRead(120000))
            log += QString::fromUtf8(program.readAll());
        program.kill();
        program.waitForFinished();
        QVERIFY2(shown.match(log).hasMatch(), qPrintable(log.right(2000)));
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
