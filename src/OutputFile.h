#pragma once

#include <QSaveFile>
#include <QString>
#include <QTemporaryFile>
#include <functional>
#include <memory>

// What an output command wrote, for its report.
struct OutputResult
{
    bool written = false; // at least one file reached the disk
    QString failedFile;   // the first file that could not be written
    QString error;        // and why
    int drawn = 0;        // pages drawn or copied, or images saved
    int files = 0;        // split: files created
    int failures = 0;     // pages or images that were not produced
    int bookmarks = 0;    // merge: outline entries written
    int pictures = 0;     // pages written as pictures where copying them failed

    // Keeps the first failure.
    void noteFailure(const QString &file, const QString &why)
    {
        if (failedFile.isEmpty()) {
            failedFile = file;
            error = why.isEmpty() ? QStringLiteral("The file could not be written.") : why;
        }
    }
};

// A file written by an output command. It replaces its target only when it
// is complete: a failed or abandoned write leaves the old file (or nothing)
// in place, and a source file can safely be its own target.
//
// A finisher, when set, turns the complete file that was written (a
// temporary file, given by path) into what reaches the target (to encrypt
// it, say), writing into `target`.
class OutputFile
{
public:
    using Finisher =
        std::function<bool(const QString &writtenPath, QIODevice *target, QString *error)>;

    explicit OutputFile(const QString &path);
    ~OutputFile();

    void setFinisher(Finisher finisher);

    // Opens for writing; false when the target cannot be written (see errorString()).
    bool open();
    // Where the writer writes; valid after open().
    QIODevice *device();
    // Runs the finisher and replaces the target; false on any failure.
    bool commit();
    // Drops what was written; the target is left as it was.
    void cancel();

    QString fileName() const { return path; }
    QString errorString() const { return error; }

private:
    QString path;
    QSaveFile file;
    // With a finisher the writer fills this first; it is streamed, not held
    // in memory, since a merged document can run to hundreds of megabytes.
    std::unique_ptr<QTemporaryFile> draft;
    Finisher finisher;
    QString error;
};
