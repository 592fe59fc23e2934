#pragma once

#include <QBuffer>
#include <QSaveFile>
#include <QString>
#include <functional>

// A file written by an output command. It replaces its target only when it
// is complete: a failed or abandoned write leaves the old file (or nothing)
// in place, and a source file can safely be its own target.
//
// A finisher, when set, gets the complete bytes before they reach the disk
// (to encrypt them, say) and returns what is to be written instead.
class OutputFile
{
public:
    using Finisher =
        std::function<bool(const QByteArray &input, QByteArray *output, QString *error)>;

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
    QBuffer buffer;
    Finisher finisher;
    QString error;
};
