// Linked into every test program: settings live in a folder of the program's
// own, never in the user's (a remembered "Keep Text" would change what the
// commands write), and never shared between test programs running at once.
#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

void isolateSettings()
{
    static QTemporaryDir folder;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(isolateSettings)
