#include "OutputFile.h"

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
    if (finisher && !buffer.open(QIODevice::WriteOnly)) {
        error = buffer.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QIODevice *OutputFile::device()
{
    return finisher ? static_cast<QIODevice *>(&buffer) : static_cast<QIODevice *>(&file);
}

bool OutputFile::commit()
{
    if (!file.isOpen()) {
        if (error.isEmpty())
            error = QStringLiteral("The file was not open for writing.");
        return false;
    }
    if (finisher) {
        buffer.close();
        QByteArray finished;
        QString finishError;
        if (!finisher(buffer.data(), &finished, &finishError)) {
            error = finishError;
            file.cancelWriting();
            return false;
        }
        buffer.setData(QByteArray());
        if (file.write(finished) != finished.size()) {
            error = file.errorString();
            file.cancelWriting();
            return false;
        }
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
    buffer.close();
}
