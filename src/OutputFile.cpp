#include "OutputFile.h"

#include <QDir>

OutputFile::OutputFile(const QString &path)
    : path(path)
    , file(path)
{}

OutputFile::~OutputFile()
{
    if (file.isOpen())
        file.cancelWriting();
}

void OutputFile::setFinisher(Finisher function)
{
    finisher = std::move(function);
}

bool OutputFile::open()
{
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (finisher) {
        draft = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/quirefold_XXXXXX.pdf");
        if (!draft->open()) {
            error = draft->errorString();
            file.cancelWriting();
            return false;
        }
    }
    return true;
}

QIODevice *OutputFile::device()
{
    return draft ? static_cast<QIODevice *>(draft.get()) : static_cast<QIODevice *>(&file);
}

bool OutputFile::commit()
{
    if (!file.isOpen()) {
        if (error.isEmpty())
            error = QStringLiteral("The file was not open for writing.");
        return false;
    }
    if (draft) {
        QString finishError;
        const bool flushed = draft->flush();
        if (!flushed || !finisher(draft->fileName(), &file, &finishError)) {
            error = flushed ? finishError : draft->errorString();
            cancel();
            return false;
        }
        draft.reset();
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void OutputFile::cancel()
{
    if (file.isOpen())
        file.cancelWriting();
    draft.reset();
}
