#include "Theme.h"

#include <QApplication>
#include <QIcon>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installsLauncherIconAndMetadata()
    {
        QTemporaryDir prefix;
        QCOMPARE(QProcess::execute(QUIREFOLD_CMAKE,
                                   {"--install", QUIREFOLD_BUILD_DIR, "--prefix", prefix.path()}),
                 0);
        const QString id = QUIREFOLD_APP_ID, share = prefix.path() + "/share/";
        QVERIFY(QFileInfo(prefix.path() + "/bin/quirefold").isExecutable());
        QVERIFY(QFileInfo::exists(share + "icons/hicolor/scalable/apps/" + id + ".svg"));
        QVERIFY(QFileInfo::exists(share + "metainfo/" + id + ".metainfo.xml"));
        // The launcher opens no files and shows the installed icon.
        const QString desktop = share + "applications/" + id + ".desktop";
        QSettings entry(desktop, QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString(), QString("quirefold"));
        QCOMPARE(entry.value("Desktop Entry/Icon").toString(), id);
        // The window icon needs the resource and the SVG plug-ins.
        Theme::setupApplication(*qApp);
        QVERIFY(!QApplication::windowIcon().pixmap(48).isNull());

        // The tree check also finds the launcher that the metadata names.
        const QList<QStringList> validators = {
            {"desktop-file-validate", desktop},
            {"appstreamcli", "validate-tree", "--no-net", prefix.path()}};
        QStringList missing;
        for (const QStringList &command : validators) {
            if (QStandardPaths::findExecutable(command.first()).isEmpty())
                missing << command.first();
            else
                QCOMPARE(QProcess::execute(command.first(), command.mid(1)), 0);
        }
        if (!missing.isEmpty())
            QSKIP(qPrintable("Not installed: " + missing.join(", ")));
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
