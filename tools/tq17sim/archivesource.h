#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The archives the controller uploads: files from a folder ("events.arh", "chan01.arh", ...) or,
// without a folder, generated records ending at the present time.
class ArchiveSource
{
public:
    ArchiveSource(const QString &directory, int generatedRecords)
        : directory_(directory), generatedRecords_(generatedRecords)
    {}

    // Archive 0 is the events archive, k that of channel k. channelScales holds the record scale
    // byte of every channel for generated values. A missing file gives an empty archive.
    QByteArray archive(int number, const QVector<quint8> &channelScales) const;

    static QString fileName(int number);

private:
    QByteArray generate(int number, const QVector<quint8> &channelScales) const;

    const QString directory_;
    const int generatedRecords_;
};
