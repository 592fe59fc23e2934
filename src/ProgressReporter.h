#pragma once

#include <QObject>

// What a long-running command tells the window while it works: the status
// line's text and the progress bar's steps.
class ProgressReporter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void statusChanged(const QString &text, int timeout);
    void progressStarted(int maximum);
    void progressChanged(int value);
    void progressFinished();
};
