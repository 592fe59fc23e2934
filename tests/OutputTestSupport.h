#pragma once

// Shared by the output tests: the output commands over fixture pages, with
// scripted answers, and independent readers of what the commands wrote.

#include "OutputCommands.h"
#include "PdfFixtures.h"
#include "ScriptedPrompter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace OutputTest {

using Answer = Prompter::Answer;
using Command = void (OutputCommands::*)(const OutputCommands::Workspace &);

// A command by its name: "merge", "split", "compress", "optimizeForWeb", ...
inline Command commandNamed(const QString &name)
{
    static const QHash<QString, Command> commands{
        {"merge", &OutputCommands::merge},
        {"split", &OutputCommands::split},
        {"compress", &OutputCommands::compress},
        {"optimizeForWeb", &OutputCommands::optimizeForWeb},
        {"crop", &OutputCommands::crop},
        {"exportPages", &OutputCommands::exportPages},
        {"extractImages", &OutputCommands::extractImages},
        {"lock", &OutputCommands::lock},
        {"unlock", &OutputCommands::unlock},
        {"print", &OutputCommands::print}};
    return commands.value(name);
}

struct Workspace
{
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    OutputCommands commands{&prompter};
    OutputCommands::Workspace state; // the pages in grid order and the switches
    QStringList statuses;            // every status text, in order

    Workspace()
    {
        QObject::connect(&commands, &OutputCommands::statusChanged,
                         [this](const QString &text) { statuses << text; });
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString folder(const QString &name) const
    {
        QDir().mkpath(path(name));
        return path(name);
    }
    // Writes a fixture PDF and appends its pages to the list.
    QString load(const QString &name, const QList<PdfFixtures::Page> &pages)
    {
        PdfFixtures::writePdf(path(name), pages);
        for (int i = 0; i < pages.size(); ++i)
            state.pages.append({path(name), i + 1});
        return path(name);
    }
    QString load(const QString &name, int pages)
    {
        return load(name, QList<PdfFixtures::Page>(pages));
    }
    PageRef &page(int i) { return state.pages[i]; }
    void run(const QString &command) { (commands.*commandNamed(command))(state); }
};

// Runs the command; the script must have answered every question it asked.
#define RUN_COMMAND(ws, command)                                                                   \
    do {                                                                                           \
        (ws).run(command);                                                                         \
        QVERIFY2((ws).prompter.done(), qPrintable((ws).prompter.problems()));                      \
    } while (0)

// What the password dialog gives when only the password is typed.
inline PdfPostProcessor::EncryptionOptions typed(const QString &password, int keyBits = 256)
{
    PdfPostProcessor::EncryptionOptions options;
    options.userPassword = options.ownerPassword = password;
    options.keyBits = keyBits;
    return options;
}

inline bool near(const QSizeF &a, const QSizeF &b)
{
    return qAbs(a.width() - b.width()) < 2 && qAbs(a.height() - b.height()) < 2;
}

// One page (from 1) rendered by the independent renderer.
inline QImage popplerPage(const QString &pdf, int page, int dpi = 20)
{
    QTemporaryDir dir;
    const QString n = QString::number(page);
    PdfFixtures::run("pdftoppm", {"-r", QString::number(dpi), "-f", n, "-l", n, "-singlefile",
                                  "-png", pdf, dir.filePath("p")});
    return QImage(dir.filePath("p.png")).convertToFormat(QImage::Format_RGB32);
}

// "type width height" of every image pdfimages lists on a page (from 1);
// a soft mask shows up as type "smask".
inline QStringList embeddedImages(const QString &pdf, int page = 1)
{
    QStringList images;
    for (const QString &line : PdfFixtures::run("pdfimages", {"-list", pdf}).split('\n')) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() > 4 && f[0] == QString::number(page))
            images << QString("%1 %2 %3").arg(f[2], f[3], f[4]);
    }
    return images;
}

// The first image on page 1, decoded by the independent tool.
inline QImage embeddedImage(const QString &pdf)
{
    QTemporaryDir dir;
    PdfFixtures::run("pdfimages", {"-png", "-f", "1", "-l", "1", pdf, dir.filePath("i")});
    return QImage(dir.filePath("i-000.png")).convertToFormat(QImage::Format_RGB32);
}

// A path that cannot be created: its parent is a regular file.
inline QString unwritablePath(const QTemporaryDir &dir, const QString &name)
{
    QFile blocker(dir.filePath("not-a-folder"));
    blocker.open(QIODevice::WriteOnly);
    return blocker.fileName() + "/" + name;
}

inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace OutputTest
