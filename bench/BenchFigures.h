#pragma once

// Figures that the benchmark programs measure in their child processes and
// hand back to the parent on one line of standard output.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <sys/resource.h>

struct Figures
{
    double seconds = 0;
    qint64 bytes = 0;
    qint64 peakKb = 0;
    double cpuSeconds = 0; // user and system time
};

// Processor time, user and system, of this process or of the children it waited for.
inline double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A memory field of this process in kilobytes, such as "VmRSS:" (resident now)
// or "VmHWM:" (resident at the peak).
inline qint64 ownMemoryKb(const QByteArray &field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Peak resident memory of this process.
inline qint64 ownPeakKb()
{
    return ownMemoryKb("VmHWM:");
}

// Peak resident memory of the largest child this process waited for.
inline qint64 childrenPeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

inline void print(const Figures &f)
{
    std::printf("%f %lld %lld %f\n", f.seconds, static_cast<long long>(f.bytes),
                static_cast<long long>(f.peakKb), f.cpuSeconds);
}

// Runs this program again with `arguments` and reads the figures the child
// printed: empty figures when it failed or printed none.
inline Figures measureChild(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    const QStringList fields =
        QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(' ');
    if (child.exitCode() != 0 || fields.size() != 4)
        return Figures();
    return {fields[0].toDouble(), fields[1].toLongLong(), fields[2].toLongLong(),
            fields[3].toDouble()};
}
